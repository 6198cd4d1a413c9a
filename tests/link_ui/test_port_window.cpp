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
    void opensWithAllPortsAndTheFirstChosen();
    void okMapsTheChoiceToADevice_data();
    void okMapsTheChoiceToADevice();
    void okClosesTheWindowWithoutRejecting();
    void enterConfirmsWithoutAddingTheText();
    void closingWithoutOkRejects();
    void escapeRejects();
    void deviceLabelFollowsTheText();
    void preselectedTextIsChosen_data();
    void preselectedTextIsChosen();
    void extraEntriesFollowResetAndScan();
    void extraEntryIsTakenAsItStands();
    void autoScanListsOnlyPortsThatOpen();
    void autoScanListsABusyPort();
    void autoScanFindingNothingLeavesAnEmptyList();
    void resetRefillsAllPorts();
    void deviceViewDoubleClickChoosesThePort();
};

void TestPortWindow::opensWithAllPortsAndTheFirstChosen() {
    Port port({}, {});
    QCOMPARE(port.windowTitle(), QString("COM Port"));
    QCOMPARE(entries(port), nd::link::comListTexts());
    QCOMPARE(list(port)->currentText(), QString("COM  1"));
    QCOMPARE(port.findChild<QLabel*>("LblDevice")->text(), QString("/dev/ttyS0"));
    QVERIFY(button(port, "CmdOK")->isDefault());
    QCOMPARE(button(port, "BtnReset")->text(), QString("Reset"));
    QCOMPARE(button(port, "BtnAutoScan")->text(), QString("AutoScan"));
    QCOMPARE(button(port, "BtnDeviceManager")->text(), QString("Device Manager"));
    QVERIFY(port.findChild<QProgressBar*>("ProgressBar1"));
    QCOMPARE(port.pos(), QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(247, 180));
}

void TestPortWindow::okMapsTheChoiceToADevice_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("caption");
    QTest::newRow("COM  10") << "COM  10"
                             << "/dev/ttyUSB5"
                             << "COM10";
    QTest::newRow("COM  16") << "COM  16"
                             << "/dev/ttyACM3"
                             << "COM16";
    QTest::newRow("Auto is COM 1") << "Auto"
                                   << "/dev/ttyS0"
                                   << "COM1";
    QTest::newRow("one space") << "COM 10"
                               << ""
                               << "";
    QTest::newRow("design text") << "COM1"
                                 << ""
                                 << "";
    QTest::newRow("past the list") << "COM  17"
                                   << ""
                                   << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("mapped path") << "/dev/ttyUSB2"
                                 << "/dev/ttyUSB2"
                                 << "COM7";
    // Unmapped devices are named by the link's own rule.
    QTest::newRow("other path") << "/dev/pts/4"
                                << "/dev/pts/4" << nd::link::linkCaptionForDevice("/dev/pts/4");
}

void TestPortWindow::okMapsTheChoiceToADevice() {
    QFETCH(QString, text);
    QFETCH(QString, device);
    QFETCH(QString, caption);
    Port port({}, {});
    choose(port, text);
    QCOMPARE(confirm(port), (QList<QVariant>{device, caption}));
}

void TestPortWindow::okClosesTheWindowWithoutRejecting() {
    Port port({}, {});
    port.show();
    QSignalSpy rejected(&port, &Port::rejected);
    confirm(port);
    QVERIFY(!port.isVisible());
    QCOMPARE(rejected.size(), 0);
}

void TestPortWindow::enterConfirmsWithoutAddingTheText() {
    Port port({}, {});
    port.show();
    QVERIFY(QTest::qWaitForWindowExposed(&port));
    QSignalSpy accepted(&port, qOverload<const QString&, const QString&>(&Port::accepted));
    list(port)->setFocus();
    list(port)->lineEdit()->selectAll();
    QTest::keyClicks(list(port)->lineEdit(), "/dev/ttyUSB9");
    QTest::keyClick(list(port)->lineEdit(), Qt::Key_Return);

    QCOMPARE(accepted.size(), 1);
    QCOMPARE(accepted.first().first().toString(), QString("/dev/ttyUSB9"));
    QCOMPARE(entries(port), nd::link::comListTexts());
    QVERIFY(!port.isVisible());
}

void TestPortWindow::closingWithoutOkRejects() {
    Port port({}, {});
    port.show();
    QSignalSpy rejected(&port, &Port::rejected);
    QSignalSpy accepted(&port, qOverload<const QString&, const QString&>(&Port::accepted));
    port.close();
    QCOMPARE(rejected.size(), 1);
    QCOMPARE(accepted.size(), 0);
}

void TestPortWindow::escapeRejects() {
    Port port({}, {});
    port.show();
    QVERIFY(QTest::qWaitForWindowExposed(&port));
    QSignalSpy rejected(&port, &Port::rejected);
    QTest::keyClick(&port, Qt::Key_Escape);
    QCOMPARE(rejected.size(), 1);
}

void TestPortWindow::deviceLabelFollowsTheText() {
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

void TestPortWindow::preselectedTextIsChosen_data() {
    QTest::addColumn<QString>("preselected");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("index");
    QTest::newRow("list text") << "COM  7"
                               << "COM  7" << 6;
    QTest::newRow("mapped device") << "/dev/ttyUSB0"
                                   << "COM  5" << 4;
    QTest::newRow("other device") << "/dev/pts/9"
                                  << "/dev/pts/9" << -1;
    QTest::newRow("extra entry") << kSimDevice << kSimDevice << 16;
}

void TestPortWindow::preselectedTextIsChosen() {
    QFETCH(QString, preselected);
    QFETCH(QString, shown);
    QFETCH(int, index);
    Port port(preselected, {kSimDevice});
    QCOMPARE(list(port)->currentText(), shown);
    if (index >= 0)
        QCOMPARE(list(port)->currentIndex(), index);
}

void TestPortWindow::extraEntriesFollowResetAndScan() {
    Port port({}, {kSimDevice});
    QCOMPARE(entries(port), nd::link::comListTexts() << kSimDevice);

    FakeProbe fake;
    fake.answers = {{"/dev/ttyS3", OpenError::None}};
    port.setOpenProbe(fake.probe());
    button(port, "BtnAutoScan")->click();
    QCOMPARE(entries(port), (QStringList{"COM  4", kSimDevice}));

    button(port, "BtnReset")->click();
    QCOMPARE(entries(port), nd::link::comListTexts() << kSimDevice);
}

void TestPortWindow::extraEntryIsTakenAsItStands() {
    // Not a path: only being offered makes it a device.
    const QString entry = QStringLiteral("virtual meter");
    Port port({}, {entry});
    list(port)->setCurrentIndex(list(port)->findText(entry));
    QCOMPARE(port.findChild<QLabel*>("LblDevice")->text(), entry);
    QCOMPARE(confirm(port).value(0).toString(), entry);
}

void TestPortWindow::autoScanListsOnlyPortsThatOpen() {
    Port port({}, {});
    FakeProbe fake;
    fake.answers = {{"/dev/ttyS2", OpenError::None}, {"/dev/ttyUSB2", OpenError::None}};
    port.setOpenProbe(fake.probe());
    button(port, "BtnAutoScan")->click();

    QCOMPARE(entries(port), (QStringList{"COM  3", "COM  7"}));
    QCOMPARE(list(port)->currentText(), QString("COM  3"));
    QCOMPARE(list(port)->currentIndex(), 0);
    auto* progress = port.findChild<QProgressBar*>("ProgressBar1");
    QCOMPARE(progress->maximum(), 16);
    QCOMPARE(progress->value(), 16);
    QCOMPARE(confirm(port), (QList<QVariant>{"/dev/ttyS2", "COM3"}));
}

void TestPortWindow::autoScanListsABusyPort() {
    Port port({}, {});
    FakeProbe fake;
    fake.answers = {{"/dev/ttyUSB0", OpenError::Busy}};
    port.setOpenProbe(fake.probe());
    button(port, "BtnAutoScan")->click();
    QCOMPARE(entries(port), QStringList{"COM  5"});
}

void TestPortWindow::autoScanFindingNothingLeavesAnEmptyList() {
    Port port({}, {});
    FakeProbe fake;
    port.setOpenProbe(fake.probe());
    button(port, "BtnAutoScan")->click();

    QCOMPARE(list(port)->count(), 0);
    QCOMPARE(list(port)->currentIndex(), -1);
    QCOMPARE(confirm(port), (QList<QVariant>{"", ""}));
}

void TestPortWindow::resetRefillsAllPorts() {
    Port port({}, {});
    FakeProbe fake;
    port.setOpenProbe(fake.probe());
    button(port, "BtnAutoScan")->click();
    choose(port, "typed");
    button(port, "BtnReset")->click();
    QCOMPARE(entries(port), nd::link::comListTexts());
    QCOMPARE(list(port)->currentText(), QString("COM  1"));
}

void TestPortWindow::deviceViewDoubleClickChoosesThePort() {
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
    QCOMPARE(view->windowTitle(), QString("Serial Devices"));
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

QTEST_MAIN(TestPortWindow)
#include "test_port_window.moc"
