// The virtual meter's setup mode: each item's screen and steps. Leaving it, by RESET or
// MODE+RESET, is tested through the setup transfer.

#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "sim/DisplayFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;
namespace keys = nd::link::keys;

namespace {
constexpr int kDown = keys::kMode + keys::kEvent;

/// Mode byte and the two digit bytes, e.g. 0x80 0x01 0x90.
QByteArray screen(VirtualMeter& meter) {
    return meter.displayFrame(0.0).mid(1, 1) + meter.displayFrame(0.0).mid(3, 2);
}

QByteArray bytes(int mode, int high, int low) {
    return nd::link::Bytes({mode, high, low});
}
} // namespace

class SetupMenuTest : public QObject {
    Q_OBJECT

private slots:
    void eachItemShowsAndSteps_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QByteArray>("expected");
        const int g = frame::kGroupedDigits;
        const int up = keys::kEvent, next = keys::kClock;
        // The meter starts at 90 dB, threshold 80, 5 dB, Slow, 2024-03-15 09:41.
        QTest::newRow("criterion up goes round") << QList<int>{up} << bytes(g, 0x01, 0x80);
        QTest::newRow("threshold 70 down to 90")
            << QList<int>{next} + QList<int>(11, kDown) << bytes(g, 0x02, 0x90);
        QTest::newRow("exchange rate keeps an E in front")
            << QList<int>{next, next, up} << bytes(g, 0x03, 0xE6);
        QTest::newRow("minute") << QList<int>(8, next) + QList<int>{up}
                                << bytes(g | frame::kShowsTime, 0x09, 0x42);
        QTest::newRow("after the weighting comes the criterion again")
            << QList<int>(10, next) << bytes(g, 0x01, 0x90);
    }
    void eachItemShowsAndSteps() {
        QFETCH(QList<int>, codes);
        QFETCH(QByteArray, expected);
        VirtualMeter::Options options;
        options.calendarStart = QDateTime(QDate(2024, 3, 15), QTime(9, 41, 30));
        VirtualMeter meter(options);
        for (int code : QList<int>{keys::kSetup} + codes)
            meter.pressKeys(code, 0.0);
        QCOMPARE(screen(meter).toHex(' '), expected.toHex(' '));
    }
};

QTEST_APPLESS_MAIN(SetupMenuTest)
#include "tst_SetupMenu.moc"
