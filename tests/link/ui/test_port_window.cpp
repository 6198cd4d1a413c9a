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
void choose(Port& port, const QString& text) {
    list(port)->setEditText(text);
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
    void opensWithAllPortsAndTheFirstChosen() {
        Port port({}, {});
        QCOMPARE(entries(port), nd::link::comListTexts());
        QCOMPARE(list(port)->currentText(), QString("COM  1"));
        QCOMPARE(port.findChild<QLabel*>("LblDevice")->text(), QString("/dev/ttyS0"));
        QCOMPARE(port.pos(),
                 QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(247, 180));
    }

    void okMapsTheChoiceToADevice_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("caption");
        auto row = [](const char* text, const char* device, const QString& caption) {
            QTest::newRow(text) << QString(text) << QString(device) << caption;
        };
        row("COM  10", "/dev/ttyUSB5", "COM10");
        row("Auto", "/dev/ttyS0", "COM1");
        row("COM 10", "", ""); // one space matches nothing
        row("COM  17", "", "");
        row("/dev/ttyUSB2", "/dev/ttyUSB2", "COM7");
        // Unmapped devices are named by the link's own rule.
        row("/dev/pts/4", "/dev/pts/4", nd::link::linkCaptionForDevice("/dev/pts/4"));
    }
    void okMapsTheChoiceToADevice() {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QFETCH(QString, caption);
        Port port({}, {});
        choose(port, text);
        QCOMPARE(confirm(port), (QList<QVariant>{device, caption}));
    }

    void enterConfirmsAndClosesWithoutAddingTheText() {
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
    }

    void closingWithoutOkRejects() {
        Port port({}, {});
        port.show();
        QSignalSpy rejected(&port, &Port::rejected);
        QSignalSpy accepted(&port, qOverload<const QString&, const QString&>(&Port::accepted));
        port.close();
        QCOMPARE(rejected.size(), 1);
        QCOMPARE(accepted.size(), 0);
    }

    void deviceLabelFollowsTheText() {
        Port port({}, {});
        auto* label = port.findChild<QLabel*>("LblDevice");
        choose(port, "COM  5");
        QCOMPARE(label->text(), QString("/dev/ttyUSB0"));
        choose(port, "COM 5");
        QCOMPARE(label->text(), QString("no such port"));
        choose(port, "/dev/serial/by-id/meter");
        QCOMPARE(label->text(), QString("/dev/serial/by-id/meter"));
        list(port)->setCurrentIndex(12);
        QCOMPARE(label->text(), QString("/dev/ttyACM0"));
    }

    void preselectedTextIsChosen_data() {
        QTest::addColumn<QString>("preselected");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("index");
        QTest::newRow("list text") << QString("COM  7") << QString("COM  7") << 6;
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

    void autoScanListsWhatOpensWithTheFirstChosen() {
        Port port({}, {});
        FakeProbe fake;
        fake.answers = {{"/dev/ttyS2", OpenError::None}, {"/dev/ttyUSB2", OpenError::Busy}};
        port.setOpenProbe(fake.probe());
        button(port, "BtnAutoScan")->click();

        QCOMPARE(entries(port), (QStringList{"COM  3", "COM  7"}));
        QCOMPARE(list(port)->currentIndex(), 0);
        QCOMPARE(port.findChild<QProgressBar*>("ProgressBar1")->value(), 16);
        QCOMPARE(confirm(port), (QList<QVariant>{"/dev/ttyS2", "COM3"}));
    }

    void autoScanFindingNothingLeavesAnEmptyListUntilReset() {
        Port port({}, {});
        FakeProbe fake;
        port.setOpenProbe(fake.probe());
        button(port, "BtnAutoScan")->click();
        QCOMPARE(list(port)->count(), 0);
        QCOMPARE(list(port)->currentIndex(), -1);

        choose(port, "typed");
        button(port, "BtnReset")->click();
        QCOMPARE(entries(port), nd::link::comListTexts());
        QCOMPARE(list(port)->currentText(), QString()); // cleared, nothing chosen for the user
    }

    void aLongDevicePathShowsWhole() {
        const QString path = QStringLiteral("/tmp/noisedesk-sim-4a7b21/virtual-meter-device");
        Port port({}, {path});
        port.show();
        list(port)->setCurrentIndex(list(port)->findText(path));
        auto* label = port.findChild<QLabel*>("LblDevice");
        QCOMPARE(label->toolTip(), path);
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(path));
        QVERIFY(list(port)->width() >= list(port)->fontMetrics().horizontalAdvance(path));
    }

    void extraEntriesFollowResetAndScanAndAreTakenAsTheyStand() {
        // Not a path: only being offered makes it a device.
        const QString entry = QStringLiteral("virtual meter");
        Port port({}, {entry});
        QCOMPARE(entries(port), nd::link::comListTexts() << entry);

        FakeProbe fake;
        fake.answers = {{"/dev/ttyS3", OpenError::None}};
        port.setOpenProbe(fake.probe());
        button(port, "BtnAutoScan")->click();
        QCOMPARE(entries(port), (QStringList{"COM  4", entry}));

        button(port, "BtnReset")->click();
        QCOMPARE(entries(port), nd::link::comListTexts() << entry);

        list(port)->setCurrentIndex(list(port)->findText(entry));
        QCOMPARE(port.findChild<QLabel*>("LblDevice")->text(), entry);
        QCOMPARE(confirm(port).value(0).toString(), entry);
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
