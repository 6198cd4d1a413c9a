// The port window as the user drives it.
#include "FakeProbe.h"
#include "link/PortNames.h"
#include "link/ui/PortWindow.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using nd::link::OpenError;
using namespace nd::link::ui;
using nd::link::ui::testing::FakeProbe;

namespace {

const QString kSimDevice = QStringLiteral("/tmp/noisedesk-sim/meter");

QComboBox* list(Port& port) {
    return port.findChild<QComboBox*>("TxtCOM");
}
QPushButton* button(Port& port, const char* name) {
    return port.findChild<QPushButton*>(name);
}
QStringList entries(Port& port) {
    QStringList texts;
    for (int i = 0; i < list(port)->count(); ++i)
        texts << list(port)->itemText(i);
    return texts;
}
QLabel* label(Port& port) {
    return port.findChild<QLabel*>("LblDevice");
}
/// Confirms with OK and returns the accepted signal's arguments.
QList<QVariant> confirm(Port& port) {
    QSignalSpy accepted(&port, qOverload<const QString&, const QString&>(&Port::accepted));
    button(port, "CmdOK")->click();
    return accepted.size() == 1 ? accepted.takeFirst() : QList<QVariant>{};
}

} // namespace

class TestPortWindow : public QObject {
    Q_OBJECT

private slots:
    void opensWithAllPortsAndTheFirstChosenAndTakesExtraEntriesAsTheyStand() {
        // Not a path: only being offered makes it a device.
        const QString entry = QStringLiteral("virtual meter");
        Port port({}, {entry});
        QCOMPARE(entries(port), nd::link::comListTexts() << entry);
        QCOMPARE(list(port)->currentText(), QString("COM  1"));
        QCOMPARE(label(port)->text(), QString("/dev/ttyS0"));
        QCOMPARE(port.pos(),
                 QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(247, 180));
        list(port)->setCurrentIndex(list(port)->findText(entry));
        QCOMPARE(label(port)->text(), entry);
        QCOMPARE(confirm(port).value(0).toString(), entry);
    }

    void okMapsTheChoiceToADevice_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("caption");
        auto row = [](const char* text, const char* device, const QString& caption) {
            QTest::newRow(text) << QString(text) << QString(device) << caption;
        };
        row("COM  10", "/dev/ttyUSB5", "COM10");
        row("COM 10", "", ""); // one space matches nothing
        // Unmapped devices are named by the link's own rule.
        row("/dev/pts/4", "/dev/pts/4", nd::link::linkCaptionForDevice("/dev/pts/4"));
    }
    void okMapsTheChoiceToADevice() {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QFETCH(QString, caption);
        Port port({}, {});
        list(port)->setEditText(text);
        QCOMPARE(label(port)->text(), device.isEmpty() ? QString("no such port") : device);
        QCOMPARE(confirm(port), (QList<QVariant>{device, caption}));
    }

    void enterConfirmsAndClosesWithoutAddingTheTextClosingWithoutOkRejects() {
        Port port({}, {});
        port.show();
        QVERIFY(QTest::qWaitForWindowExposed(&port));
        QSignalSpy accepted(&port, qOverload<const QString&, const QString&>(&Port::accepted));
        QSignalSpy rejected(&port, &Port::rejected);
        list(port)->setFocus();
        list(port)->lineEdit()->selectAll();
        QTest::keyClicks(list(port)->lineEdit(), "/dev/ttyUSB9");
        QTest::keyClick(list(port)->lineEdit(), Qt::Key_Return);
        QCOMPARE(accepted.size(), 1);
        QCOMPARE(accepted.first().first().toString(), QString("/dev/ttyUSB9"));
        QCOMPARE(rejected.size(), 0);
        QCOMPARE(entries(port), nd::link::comListTexts());
        QVERIFY(!port.isVisible());

        port.show();
        port.close();
        QCOMPARE(rejected.size(), 1);
        QCOMPARE(accepted.size(), 1);
    }

    void preselectedTextIsChosen_data() {
        QTest::addColumn<QString>("preselected");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("index");
        QTest::newRow("mapped device") << QString("/dev/ttyUSB0") << QString("COM  5") << 4;
        QTest::newRow("other device") << QString("/dev/pts/9") << QString("/dev/pts/9") << -1;
        QTest::newRow("extra entry") << kSimDevice << kSimDevice << 16;
    }
    void preselectedTextIsChosen() {
        QFETCH(QString, preselected);
        QFETCH(QString, shown);
        QFETCH(int, index);
        Port port(preselected, {kSimDevice});
        QCOMPARE(list(port)->currentText(), shown);
        if (index >= 0)
            QCOMPARE(list(port)->currentIndex(), index);
    }

    // The scan lists what opens, free or busy, and keeps the extra entries; Reset brings
    // the whole list back with nothing chosen for the user.
    void autoScanListsWhatOpensUntilReset_data() {
        QTest::addColumn<QStringList>("extras");
        QTest::addColumn<QStringList>("opening");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("two ports") << QStringList{} << QStringList{"/dev/ttyS2", "/dev/ttyUSB2"}
                                   << QStringList{"COM  3", "COM  7"};
        QTest::newRow("extra entry") << QStringList{kSimDevice} << QStringList{"/dev/ttyS3"}
                                     << QStringList{"COM  4", kSimDevice};
    }
    void autoScanListsWhatOpensUntilReset() {
        QFETCH(QStringList, extras);
        QFETCH(QStringList, opening);
        QFETCH(QStringList, found);
        Port port({}, extras);
        FakeProbe fake;
        for (const QString& device : opening)
            fake.answers[device] = OpenError::None;
        port.setOpenProbe(fake.probe());
        button(port, "BtnAutoScan")->click();
        QCOMPARE(entries(port), found);
        QCOMPARE(list(port)->currentIndex(), found.isEmpty() ? -1 : 0);
        QCOMPARE(port.findChild<QProgressBar*>("ProgressBar1")->value(), 16);
        if (!opening.isEmpty())
            QCOMPARE(confirm(port).value(0).toString(), opening.front());

        list(port)->setEditText("typed");
        button(port, "BtnReset")->click();
        QCOMPARE(entries(port), nd::link::comListTexts() << extras);
        QCOMPARE(list(port)->currentText(), QString());
    }

    void aLongDevicePathShowsWhole() {
        const QString path = QStringLiteral("/tmp/noisedesk-sim-4a7b21/virtual-meter-device");
        Port port({}, {path});
        port.show();
        list(port)->setCurrentIndex(list(port)->findText(path));
        QCOMPARE(label(port)->toolTip(), path);
        QVERIFY(label(port)->width() >= label(port)->fontMetrics().horizontalAdvance(path));
        QVERIFY(list(port)->width() >= list(port)->fontMetrics().horizontalAdvance(path));
    }

    void deviceViewDoubleClickChoosesThePort() {
        Port port({}, {});
        FakeProbe fake;
        port.setOpenProbe(fake.probe());
        port.setDeviceSource([] {
            return std::vector<SerialDeviceInfo>{{"pts2", "/dev/pts/2", {}, {}, {}, {}, {}},
                                                 {"ttyUSB3", "/dev/ttyUSB3", {}, {}, {}, {}, {}}};
        });
        button(port, "BtnDeviceManager")->click();
        auto* view = port.findChild<SerialDevices*>("SerialDevices");
        QVERIFY(view);
        auto* grid = view->findChild<QTableView*>("GridDevices");
        QCOMPARE(grid->model()->rowCount(), 2);

        // Rows: COM  8 first, then the unmapped pseudo terminal.
        emit grid->doubleClicked(grid->model()->index(0, 0));
        QCOMPARE(list(port)->currentText(), QString("COM  8"));
        QCOMPARE(list(port)->currentIndex(), 7);
        emit grid->doubleClicked(grid->model()->index(1, 0));
        QCOMPARE(list(port)->currentText(), QString("/dev/pts/2"));

        // A second click shows the same view instead of another one.
        button(port, "BtnDeviceManager")->click();
        QCOMPARE(port.findChildren<SerialDevices*>().size(), 1);
        // OK takes the view away with the port window.
        QVERIFY(view->isVisible());
        confirm(port);
        QVERIFY(!view->isVisible());
    }
};

QTEST_MAIN(TestPortWindow)
#include "test_port_window.moc"
