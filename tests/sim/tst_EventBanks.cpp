// The virtual meter's run keys and event banks: a run is recorded into the bank shown
// when it starts, its dose and exposure without the pause.

#include "link/MemoryMap.h"
#include "sim/DisplayFrame.h"
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
        const int run = frame::kRunning, pause = frame::kPaused;
        QCOMPARE(meter.displayFrame(kHour).at(1) & (run | pause), run | pause);
        meter.pressKeys(kResume, 2 * kHour);   // an hour paused: not exposure
        QCOMPARE(bankCells(meter, 3), before); // written only when the run ends
        meter.pressKeys(kEndRun, 2 * kHour + 1800.0);
        QCOMPARE(meter.displayFrame(3 * kHour).at(1) & (run | pause), 0);

        // Used, 90 dB, 5 dB, Slow; 03-15 09:41 to 12:11; 1:30 exposed; 3750 hundredths.
        const QByteArray r = bankCells(meter, 3);
        QCOMPARE(r.left(12), QByteArray::fromHex("8b031509411211011e0ea664"));
        QCOMPARE(byteOf(r, 16), 0xFF); // no peak
        QCOMPARE(byteOf(r, 20), meter.cell(mem::kThresholdLevel));
        QCOMPARE(meter.displayFrame(3 * kHour).at(5) & 0x07, 3);
    }
};

QTEST_GUILESS_MAIN(EventBanksTest)
#include "tst_EventBanks.moc"
