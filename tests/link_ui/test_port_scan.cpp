// The port scan and the serial device rows, without a window.
#include "FakeProbe.h"
#include "link/PortNames.h"
#include "link/ui/DeviceRows.h"
#include "link/ui/SerialDevices.h"

#include <QTest>

using nd::link::OpenError;
using namespace nd::link::ui;
using nd::link::ui::testing::FakeProbe;

class TestPortScan : public QObject {
    Q_OBJECT

private slots:
    void listsOnlyThePortsThatOpen();
    void countsBusyPortsAsExisting();
    void leavesOutPortsThatCannotBeOpened_data();
    void leavesOutPortsThatCannotBeOpened();
    void probesEveryPortInOrderWithProgress();
    void findsNothingOnAMachineWithoutPorts();

    void deviceRowsShowEveryField();
    void deviceRowsSortComPortsFirst();
    void deviceRowsTellTheProbeAnswer_data();
    void deviceRowsTellTheProbeAnswer();
    void modelShowsRowsUnderTheirHeaders();
};

void TestPortScan::listsOnlyThePortsThatOpen() {
    FakeProbe fake;
    fake.answers = {{nd::link::deviceForComNumber(3), OpenError::None},
                    {nd::link::deviceForComNumber(7), OpenError::None}};
    QCOMPARE(ScanPortTexts(fake.probe()), (QStringList{"COM  3", "COM  7"}));
}

void TestPortScan::countsBusyPortsAsExisting() {
    FakeProbe fake;
    fake.answers = {{nd::link::deviceForComNumber(12), OpenError::Busy}};
    QCOMPARE(ScanPortTexts(fake.probe()), QStringList{"COM  12"});
}

void TestPortScan::leavesOutPortsThatCannotBeOpened_data() {
    QTest::addColumn<OpenError>("error");
    QTest::newRow("missing") << OpenError::NotFound;
    QTest::newRow("no permission") << OpenError::PermissionDenied;
    QTest::newRow("other failure") << OpenError::Other;
}

void TestPortScan::leavesOutPortsThatCannotBeOpened() {
    QFETCH(OpenError, error);
    FakeProbe fake;
    fake.answers = {{nd::link::deviceForComNumber(1), OpenError::None},
                    {nd::link::deviceForComNumber(2), error}};
    QCOMPARE(ScanPortTexts(fake.probe()), QStringList{"COM  1"});
}

void TestPortScan::probesEveryPortInOrderWithProgress() {
    FakeProbe fake;
    QList<int> progress;
    ScanPortTexts(fake.probe(), [&progress](int n) { progress << n; });

    QStringList expectedDevices;
    QList<int> expectedProgress;
    for (int n = 1; n <= 16; ++n) {
        expectedDevices << nd::link::deviceForComNumber(n);
        expectedProgress << n;
    }
    QCOMPARE(fake.asked, expectedDevices);
    QCOMPARE(progress, expectedProgress);
}

void TestPortScan::findsNothingOnAMachineWithoutPorts() {
    FakeProbe fake;
    QVERIFY(ScanPortTexts(fake.probe()).isEmpty());
}

void TestPortScan::deviceRowsShowEveryField() {
    const SerialDeviceInfo adapter{"ttyUSB0",  "/dev/ttyUSB0",  "USB Serial",   "FTDI",
                                   "A5XK3RJT", quint16(0x0403), quint16(0x6001)};
    FakeProbe fake;
    fake.answers = {{"/dev/ttyUSB0", OpenError::None}};

    const auto rows = DeviceRows({adapter}, fake.probe());

    QCOMPARE(rows.size(), size_t(1));
    const DeviceRow& row = rows.front();
    QCOMPARE(row.name, QString("ttyUSB0"));
    QCOMPARE(row.device, QString("/dev/ttyUSB0"));
    QCOMPARE(row.comText, QString("COM  5"));
    QCOMPARE(row.description, QString("USB Serial"));
    QCOMPARE(row.manufacturer, QString("FTDI"));
    QCOMPARE(row.serialNumber, QString("A5XK3RJT"));
    QCOMPARE(row.vendorId, QString("0403"));
    QCOMPARE(row.productId, QString("6001"));
    QCOMPARE(row.status, QString("free"));
}

void TestPortScan::deviceRowsSortComPortsFirst() {
    // Unmapped devices have no COM text and no ids when the system gives none.
    const std::vector<SerialDeviceInfo> devices{
        {"pts3", "/dev/pts/3", {}, {}, {}, {}, {}},
        {"ttyACM0", "/dev/ttyACM0", {}, {}, {}, {}, {}},
        {"ttyUSB7", "/dev/ttyUSB7", {}, {}, {}, {}, {}},
        {"ttyAMA0", "/dev/ttyAMA0", {}, {}, {}, {}, {}},
        {"ttyS1", "/dev/ttyS1", {}, {}, {}, {}, {}},
    };
    FakeProbe fake;
    const auto rows = DeviceRows(devices, fake.probe());

    QStringList order, comTexts;
    for (const DeviceRow& row : rows) {
        order << row.device;
        comTexts << row.comText;
    }
    QCOMPARE(order, (QStringList{"/dev/ttyS1", "/dev/ttyUSB7", "/dev/ttyACM0", "/dev/pts/3",
                                 "/dev/ttyAMA0"}));
    QCOMPARE(comTexts, (QStringList{"COM  2", "COM  12", "COM  13", "", ""}));
    QVERIFY(rows.back().vendorId.isEmpty());
    QVERIFY(rows.back().productId.isEmpty());
}

void TestPortScan::deviceRowsTellTheProbeAnswer_data() {
    QTest::addColumn<OpenError>("error");
    QTest::addColumn<QString>("status");
    QTest::newRow("free") << OpenError::None << "free";
    QTest::newRow("busy") << OpenError::Busy << "busy";
    QTest::newRow("no access") << OpenError::PermissionDenied << "no access";
    QTest::newRow("missing") << OpenError::NotFound << "missing";
    QTest::newRow("unknown") << OpenError::Other << "unknown";
}

void TestPortScan::deviceRowsTellTheProbeAnswer() {
    QFETCH(OpenError, error);
    QFETCH(QString, status);
    FakeProbe fake;
    fake.answers = {{"/dev/ttyS0", error}};
    const auto rows = DeviceRows({{"ttyS0", "/dev/ttyS0", {}, {}, {}, {}, {}}}, fake.probe());
    QCOMPARE(rows.front().status, status);
}

void TestPortScan::modelShowsRowsUnderTheirHeaders() {
    SerialDeviceModel model;
    FakeProbe fake;
    fake.answers = {{"/dev/ttyUSB1", OpenError::Busy}};
    model.setRows(DeviceRows({{"ttyUSB1", "/dev/ttyUSB1", "CP2102", "Silicon Labs", "0001",
                               quint16(0x10c4), quint16(0xea60)}},
                             fake.probe()));

    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 9);
    auto cell = [&model](int column) { return model.index(0, column).data().toString(); };
    auto header = [&model](int column) {
        return model.headerData(column, Qt::Horizontal).toString();
    };
    QCOMPARE(header(SerialDeviceModel::DeviceColumn), QString("Device"));
    QCOMPARE(cell(SerialDeviceModel::DeviceColumn), QString("/dev/ttyUSB1"));
    QCOMPARE(header(SerialDeviceModel::ComColumn), QString("COM"));
    QCOMPARE(cell(SerialDeviceModel::ComColumn), QString("COM  6"));
    QCOMPARE(header(SerialDeviceModel::VendorIdColumn), QString("Vendor ID"));
    QCOMPARE(cell(SerialDeviceModel::VendorIdColumn), QString("10c4"));
    QCOMPARE(cell(SerialDeviceModel::ProductIdColumn), QString("ea60"));
    QCOMPARE(header(SerialDeviceModel::StatusColumn), QString("Status"));
    QCOMPARE(cell(SerialDeviceModel::StatusColumn), QString("busy"));
    QVERIFY(!model.index(1, 0).isValid());
}

QTEST_GUILESS_MAIN(TestPortScan)
#include "test_port_scan.moc"
