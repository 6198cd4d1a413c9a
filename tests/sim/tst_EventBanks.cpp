// The virtual meter's event banks: a run is recorded into the bank shown when it starts.

#include "link/MemoryMap.h"
#include "sim/EventBanks.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;
namespace mem = nd::link::memory;

namespace {
constexpr int kEvent = 2, kRunPause = 16, kEndRun = 32, kResume = 64;
constexpr double kHour = 3600.0;

QByteArray bankCells(const VirtualMeter& meter, int bank) {
    QByteArray out;
    for (int i = 0; i < mem::kBankRecordSize; ++i)
        out.append(static_cast<char>(meter.cell(mem::bankRecordStart(bank) + i)));
    return out;
}
int byteOf(const QByteArray& record, int byte) {
    return static_cast<unsigned char>(record.at(byte - 1));
}
} // namespace

class EventBanksTest : public QObject {
    Q_OBJECT

private slots:
    void aRunIsRecordedIntoTheBankShownAtItsStart() {
        VirtualMeter::Options options;
        options.calendarStart = QDateTime(QDate(2024, 3, 15), QTime(9, 41, 0));
        VirtualMeter meter(options);
        meter.setFixedLevel(95.0); // 90 dB criterion, 5 dB rate: 25 % an hour
        meter.pressKeys(kEvent, 0.0);
        meter.pressKeys(kEvent, 0.0); // bank 3
        const QByteArray before = bankCells(meter, 3);
        meter.pressKeys(kRunPause, 0.0);
        meter.pressKeys(kEvent, 10.0); // ignored during a run
        meter.pressKeys(kRunPause, kHour);
        meter.pressKeys(kResume, 2 * kHour);   // an hour paused: not exposure
        QCOMPARE(bankCells(meter, 3), before); // written only when the run ends
        meter.pressKeys(kEndRun, 2 * kHour + 1800.0);

        const QByteArray r = bankCells(meter, 3);
        QCOMPARE(byteOf(r, 1), 0x80 | 0x0B); // used, 90 dB, 5 dB, Slow, no flags
        QCOMPARE(r.mid(1, 6), QByteArray::fromHex("031509411211"));
        QCOMPARE(byteOf(r, 8), 1);
        QCOMPARE(byteOf(r, 9), 30);
        QCOMPARE(byteOf(r, 10) * 256 + byteOf(r, 11), 3750); // 37.50 %
        QCOMPARE(byteOf(r, 12), 0x64);
        QCOMPARE(byteOf(r, 16), 0xFF);
        QCOMPARE(byteOf(r, 20), meter.cell(mem::kThresholdLevel));
        QCOMPARE(meter.displayFrame(3 * kHour).at(5) & 0x07, 3);
    }

    void encodingPicksTheDoseScaleAndKeepsThePeak_data() {
        QTest::addColumn<double>("dose");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("scale");
        QTest::newRow("hundredths") << 2.34 << 234 << 0x64;
        QTest::newRow("tenths") << 123.4 << 1234 << 0x0A;
        QTest::newRow("whole") << 1456.0 << 1456 << 0x01;
        QTest::newRow("capped") << 90000.0 << 65535 << 0x01;
    }
    void encodingPicksTheDoseScaleAndKeepsThePeak() {
        QFETCH(double, dose);
        QFETCH(int, count);
        QFETCH(int, scale);
        BankRun run;
        run.start = QDateTime(QDate(2024, 12, 31), QTime(23, 59));
        run.dosePercent = dose;
        run.peak = true;
        run.peakTime = QTime(7, 8);
        run.peakSeconds = 125.0;
        const QByteArray r = EncodeBankRecord(run);
        QCOMPARE(byteOf(r, 1), 0xC0);
        QCOMPARE(byteOf(r, 2), 0x12);
        QCOMPARE(byteOf(r, 10) * 256 + byteOf(r, 11), count);
        QCOMPARE(byteOf(r, 12), scale);
        QCOMPARE(r.mid(15, 4), QByteArray::fromHex("07080205"));
    }
};

QTEST_GUILESS_MAIN(EventBanksTest)
#include "tst_EventBanks.moc"
