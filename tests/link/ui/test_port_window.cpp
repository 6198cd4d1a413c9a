// The port window as the user drives it.
#include "FakeProbe.h"
#include "link/PortNames.h"
#include "link/ui/PortWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
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
QString shown(Port& port) {
    return port.findChild<QLabel*>("LblDevice")->text();
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
        QCOMPARE(shown(port), QString("/dev/ttyS0")); // COM  1
        list(port)->setCurrentIndex(list(port)->findText(entry));
        QCOMPARE(shown(port), entry);
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
        QCOMPARE(shown(port), device.isEmpty() ? QString("no such port") : device);
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
        QCOMPARE(accepted.first().first().toString(), QString("/dev/ttyUSB9"));
        QCOMPARE(entries(port), nd::link::comListTexts());
        QVERIFY(!port.isVisible());
        port.show();
        port.close();
        QCOMPARE(rejected.size(), 1); // and nothing more accepted
        QCOMPARE(accepted.size(), 1);
    }

    void preselectedTextIsChosen() {
        for (const auto& [preselected, text] :
             {std::pair{"/dev/ttyUSB0", "COM  5"}, {"/dev/pts/9", "/dev/pts/9"}}) {
            Port port(preselected, {kSimDevice});
            QCOMPARE(list(port)->currentText(), QString(text));
        }
        Port extra(kSimDevice, {kSimDevice});
        QCOMPARE(list(extra)->currentIndex(), 16);
    }

    // The scan lists what opens and keeps the extra entries; Reset brings the whole list
    // back with nothing chosen for the user.
    void autoScanListsWhatOpensUntilReset() {
        Port port({}, {kSimDevice});
        FakeProbe fake;
        fake.answers = {{"/dev/ttyS2", OpenError::None}, {"/dev/ttyUSB2", OpenError::Busy}};
        port.setOpenProbe(fake.probe());
        button(port, "BtnAutoScan")->click();
        QCOMPARE(entries(port), (QStringList{"COM  3", "COM  7", kSimDevice}));
        QCOMPARE(port.findChild<QProgressBar*>("ProgressBar1")->value(), 16);
        QCOMPARE(confirm(port).value(0).toString(), QString("/dev/ttyS2"));
        list(port)->setEditText("typed");
        button(port, "BtnReset")->click();
        QCOMPARE(entries(port), nd::link::comListTexts() << kSimDevice);
        QCOMPARE(list(port)->currentText(), QString());
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
        auto* grid = view->findChild<QTableView*>("GridDevices");

        // Rows: COM  8 first, then the unmapped pseudo terminal.
        emit grid->doubleClicked(grid->model()->index(0, 0));
        QCOMPARE(list(port)->currentIndex(), 7); // COM  8
        emit grid->doubleClicked(grid->model()->index(1, 0));
        QCOMPARE(list(port)->currentText(), QString("/dev/pts/2"));

        // A second click shows the same view instead of another one.
        button(port, "BtnDeviceManager")->click();
        QCOMPARE(port.findChildren<SerialDevices*>().size(), 1);
        // OK takes the view away with the port window.
        confirm(port);
        QVERIFY(!view->isVisible());
    }
};

QTEST_MAIN(TestPortWindow)
#include "test_port_window.moc"
