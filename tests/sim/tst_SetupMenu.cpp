// The virtual meter's setup mode: each item's screen and steps, the
// clock set on RESET and dropped on MODE+RESET.

#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "sim/DisplayFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;
namespace keys = nd::link::keys;

namespace {
const QDateTime kCalendar(QDate(2024, 3, 15), QTime(9, 41, 30));
constexpr int kDown = keys::kMode + keys::kEvent;
constexpr int kAbandon = keys::kMode + keys::kReset;

VirtualMeter::Options at(const QDateTime& calendar) {
    VirtualMeter::Options options;
    options.calendarStart = calendar;
    return options;
}

/// Mode byte and the two digit bytes, e.g. 0x80 0x01 0x90.
QByteArray screen(VirtualMeter& meter) {
    return meter.displayFrame(0.0).mid(1, 1) + meter.displayFrame(0.0).mid(3, 2);
}

QByteArray bytes(int mode, int high, int low) {
    return nd::link::Bytes({mode, high, low});
}

void press(VirtualMeter& meter, const QList<int>& codes) {
    for (int code : codes)
        meter.pressKeys(code, 0.0);
}
} // namespace

class SetupMenuTest : public QObject {
    Q_OBJECT

private slots:
    void eachItemShowsAndSteps_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QByteArray>("expected");
        const int g = frame::kGroupedDigits;
        const int date = g | frame::kShowsDate;
        const int time = g | frame::kShowsTime;
        const int up = keys::kEvent, next = keys::kClock;
        // The meter starts at 90 dB, threshold 80, 5 dB, Slow, 2024-03-15 09:41.
        QTest::newRow("criterion up goes round") << QList<int>{up} << bytes(g, 0x01, 0x80);
        QTest::newRow("criterion down") << QList<int>{kDown} << bytes(g, 0x01, 0x85);
        QTest::newRow("threshold 70 down to 90")
            << QList<int>{next,  kDown, kDown, kDown, kDown, kDown,
                          kDown, kDown, kDown, kDown, kDown, kDown}
            << bytes(g, 0x02, 0x90);
        QTest::newRow("exchange rate keeps an E in front")
            << QList<int>{next, next, up} << bytes(g, 0x03, 0xE6);
        QTest::newRow("year first digits")
            << QList<int>{next, next, next, up} << bytes(date, 0x21, 0x24);
        QTest::newRow("month 3 down")
            << QList<int>{next, next, next, next, next, kDown} << bytes(date, 0x02, 0x15);
        QTest::newRow("minute") << QList<int>{next, next, next, next, next, next, next, next, up}
                                << bytes(time, 0x09, 0x42);
        QTest::newRow("weighting Slow to Fast")
            << QList<int>{next, next, next, next, next, next, next, next, next, up}
            << bytes(g, 0x04, 0x0F);
        QTest::newRow("after the weighting comes the criterion again")
            << QList<int>{next, next, next, next, next, next, next, next, next, next}
            << bytes(g, 0x01, 0x90);
    }
    void eachItemShowsAndSteps() {
        QFETCH(QList<int>, codes);
        QFETCH(QByteArray, expected);
        VirtualMeter meter(at(kCalendar));
        meter.pressKeys(keys::kSetup, 0.0);
        press(meter, codes);
        QCOMPARE(screen(meter).toHex(' '), expected.toHex(' '));
    }

    void resetSetsTheClock_abandonDropsIt_data() {
        QTest::addColumn<int>("leave");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("RESET") << keys::kReset << QDateTime(QDate(2100, 2, 28), QTime(9, 41));
        QTest::newRow("MODE+RESET") << kAbandon << kCalendar.addSecs(5);
    }
    void resetSetsTheClock_abandonDropsIt() {
        QFETCH(int, leave);
        QFETCH(QDateTime, expected);
        VirtualMeter meter(at(kCalendar));
        // Year 2100, month 2, day 31: a day past the month's end becomes its last.
        press(meter, {keys::kSetup, 8, 8, 8, keys::kEvent, 8});
        for (int i = 0; i < 24; ++i)
            meter.pressKeys(kDown, 0.0);
        press(meter, {8, kDown, 8});
        for (int i = 0; i < 16; ++i)
            meter.pressKeys(keys::kEvent, 0.0);
        meter.pressKeys(leave, 5.0);
        QCOMPARE(meter.calendarAt(15.0), expected.addSecs(10));
        // Out of setup on the dose display: three MODE presses come back to dBA.
        QCOMPARE(meter.displayFrame(15.0).at(1) & frame::kDoseMode, frame::kDoseMode);
        press(meter, {keys::kMode, keys::kMode, keys::kMode});
        QCOMPARE(meter.displayFrame(15.0).at(1) & frame::kDbaMode, frame::kDbaMode);
    }
};

QTEST_APPLESS_MAIN(SetupMenuTest)
#include "tst_SetupMenu.moc"
