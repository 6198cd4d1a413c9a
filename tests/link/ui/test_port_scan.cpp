// The port scan and the serial device rows, without a window.
#include "FakeProbe.h"
#include "link/PortNames.h"
#include "link/ui/DeviceRows.h"
#include "link/ui/SerialDevices.h"

#include <QTest>

using nd::link::OpenError;
using namespace nd::link::ui;
using nd::link::ui::testing::FakeProbe;

namespace {

SerialDeviceInfo bare(const QString& name, const QString& device) {
    return {name, device, {}, {}, {}, {}, {}};
}

} // namespace

class TestPortScan : public QObject {
    Q_OBJECT

private slots:
    void eachProbeAnswerDecidesTheScanAndTheDeviceStatus_data() {
        QTest::addColumn<OpenError>("error");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("status");
        QTest::newRow("free") << OpenError::None << true << "free";
        QTest::newRow("busy") << OpenError::Busy << true << "busy";
        QTest::newRow("no permission") << OpenError::PermissionDenied << false << "no access";
        QTest::newRow("missing") << OpenError::NotFound << false << "missing";
        QTest::newRow("other failure") << OpenError::Other << false << "unknown";
    }
    void eachProbeAnswerDecidesTheScanAndTheDeviceStatus() {
        QFETCH(OpenError, error);
        QFETCH(bool, listed);
        FakeProbe fake;
        fake.answers = {{nd::link::deviceForComNumber(3), OpenError::None},
                        {nd::link::deviceForComNumber(12), error}};
        QCOMPARE(ScanPortTexts(fake.probe()),
                 (listed ? QStringList{"COM  3", "COM  12"} : QStringList{"COM  3"}));
        const QString device = nd::link::deviceForComNumber(12);
        QTEST(DeviceRows({bare("ttyUSB7", device)}, fake.probe()).front().status, "status");
    }

    void scanProbesEveryPortInOrderWithProgress() {
        FakeProbe fake;
        QList<int> progress;
        QVERIFY(ScanPortTexts(fake.probe(), [&progress](int n) { progress << n; }).isEmpty());
        QCOMPARE(fake.asked.size(), 16);
        for (int n = 1; n <= 16; ++n) {
            QCOMPARE(fake.asked[n - 1], nd::link::deviceForComNumber(n));
            QCOMPARE(progress[n - 1], n);
        }
    }

    // COM ports first in their order, then the rest; ids show as four hex digits, none
    // when the system gives none.
    void deviceRowsSortComPortsFirstAndFormatTheirFields() {
        FakeProbe fake;
        fake.answers = {{"/dev/ttyUSB7", OpenError::Busy}};
        const auto rows = DeviceRows({bare("pts3", "/dev/pts/3"),
                                      bare("ttyACM0", "/dev/ttyACM0"),
                                      {"ttyUSB7", "/dev/ttyUSB7", "CP2102", "Silicon Labs", "0001",
                                       quint16(0x10c4), quint16(0x0a60)},
                                      bare("ttyAMA0", "/dev/ttyAMA0"),
                                      bare("ttyS1", "/dev/ttyS1")},
                                     fake.probe());
        QStringList order, comTexts;
        for (const DeviceRow& row : rows) {
            order << row.device;
            comTexts << row.comText;
        }
        QCOMPARE(order, (QStringList{"/dev/ttyS1", "/dev/ttyUSB7", "/dev/ttyACM0", "/dev/pts/3",
                                     "/dev/ttyAMA0"}));
        QCOMPARE(comTexts, (QStringList{"COM  2", "COM  12", "COM  13", "", ""}));
        QVERIFY(rows.back().vendorId.isEmpty() && rows.back().productId.isEmpty());
        SerialDeviceModel model;
        model.setRows(rows);
        using M = SerialDeviceModel;
        QCOMPARE(model.columnCount(), 9);
        for (const auto& [column, text] : {std::pair{M::ComColumn, "COM  12"},
                                           {M::VendorIdColumn, "10c4"},
                                           {M::ProductIdColumn, "0a60"},
                                           {M::StatusColumn, "busy"}})
            QCOMPARE(model.index(1, column).data().toString(), QString(text));
    }
};

QTEST_GUILESS_MAIN(TestPortScan)
#include "test_port_scan.moc"
