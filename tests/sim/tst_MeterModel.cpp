// The virtual meter on its own: command parsing, display digits, dose, keys, reply
// timing, faults and the memory dump, driven through VirtualMeter's public API.

#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "sim/CommandParser.h"
#include "sim/DisplayFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

#include <algorithm>

using namespace nd::sim;
namespace mem = nd::link::memory;

Q_DECLARE_METATYPE(nd::sim::DisplayDigits)

namespace {
using Kind = MeterCommand::Kind;

using nd::link::Bytes;

const QDateTime kCalendar(QDate(2024, 3, 15), QTime(9, 41, 0));

int modeByte(VirtualMeter& meter, double now) {
    return static_cast<unsigned char>(meter.displayFrame(now).at(1));
}
int flagByte(VirtualMeter& meter, double now) {
    return static_cast<unsigned char>(meter.displayFrame(now).at(2));
}
int extraByte(VirtualMeter& meter, double now) {
    return static_cast<unsigned char>(meter.displayFrame(now).at(5));
}
QByteArray digits(VirtualMeter& meter, double now) {
    return meter.displayFrame(now).mid(3, 2);
}

constexpr int kRunPause = 16, kEndRun = 32, kResume = 64, kReset = 4;
constexpr int kMode = 1, kEvent = 2, kClock = 8, kSetup = 128;
constexpr double kHour = 3600.0;
} // namespace

class MeterModelTest : public QObject {
    Q_OBJECT

private slots:
    void parserFindsTheSameCommandsHoweverTheBytesAreSplit() {
        // Raw address and data bytes that look like command letters must stay raw.
        const QByteArray stream = QByteArray("X ") + Bytes({'R', 0x3B, 0x00}) +
                                  Bytes({'W', 'X', 'U', 'F'}) + Bytes({'F', 0x10}) + "U" + "EEE" +
                                  Bytes({'R', 'E', 'E'});
        const std::vector<MeterCommand> expected = {
            {Kind::Status},       {Kind::Display},
            {Kind::ReadCell, 59}, {Kind::WriteCell, 0x5558, 'F'},
            {Kind::Keys, 0, 16},  {Kind::Dump},
            {Kind::Erase},        {Kind::ReadCell, 0x4545}};

        for (int cut1 = 0; cut1 <= stream.size(); ++cut1) {
            for (int cut2 = cut1; cut2 <= stream.size(); ++cut2) {
                CommandParser parser;
                std::vector<MeterCommand> found = parser.feed(stream.left(cut1), 0.0);
                for (const auto& c : parser.feed(stream.mid(cut1, cut2 - cut1), 0.01))
                    found.push_back(c);
                for (const auto& c : parser.feed(stream.mid(cut2), 0.02))
                    found.push_back(c);
                QVERIFY2(found == expected,
                         qPrintable(QStringLiteral("cut at %1, %2").arg(cut1).arg(cut2)));
            }
        }
    }

    void parserSkipsBytesThatStartNoCommand_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("commands");
        QTest::addColumn<int>("pending");
        QTest::newRow("stray bytes before X") << Bytes({'Q', 0x00, 0xFF, 'X'}) << 1 << 0;
        QTest::newRow("two E's broken by X") << QByteArray("EEX") << 1 << 0;
        QTest::newRow("four E's: an erase and a start") << QByteArray("EEEE") << 1 << 1;
        QTest::newRow("lower-case letters") << QByteArray("xruw") << 0 << 0;
    }
    void parserSkipsBytesThatStartNoCommand() {
        QFETCH(QByteArray, input);
        QFETCH(int, commands);
        QFETCH(int, pending);
        CommandParser parser;
        QCOMPARE(int(parser.feed(input, 0.0).size()), commands);
        QCOMPARE(parser.pendingBytes(), pending);
    }

    void parserDropsAHalfCommandAfterTheReceiveTimeout() {
        CommandParser parser;
        QVERIFY(parser.feed("R", 0.0).empty());
        const auto late = parser.feed("XX", 0.0 + CommandParser::kReceiveTimeout + 0.1);
        QCOMPARE(late, (std::vector<MeterCommand>{{Kind::Status}, {Kind::Status}}));

        QVERIFY(parser.feed("R", 10.0).empty());
        const auto inTime =
            parser.feed(Bytes({0x3B, 0x00}), 10.0 + CommandParser::kReceiveTimeout / 2);
        QCOMPARE(inTime, (std::vector<MeterCommand>{{Kind::ReadCell, 59}}));
    }

    void displayDigits_data() {
        QTest::addColumn<bool>("dose");
        QTest::addColumn<double>("value");
        QTest::addColumn<DisplayDigits>("expected");
        const int d2 = frame::kDecimalAfter2;
        const int d3 = frame::kDecimalAfter3;
        auto level = [](const char* name, double dB, DisplayDigits digits) {
            QTest::newRow(name) << false << dB << digits;
        };
        auto dose = [](const char* name, double percent, DisplayDigits digits) {
            QTest::newRow(name) << true << percent << digits;
        };
        level("94.5 dB", 94.5, {0x09, 0x45, d3});
        level("120.04 dB rounds down", 120.04, {0x12, 0x00, d3});
        level("69.9 dB is blank", 69.9, {0xBB, 0xBB, 0});
        level("69.96 dB shows as 70.0", 69.96, {0x07, 0x00, d3});
        level("140.0 dB is still shown", 140.0, {0x14, 0x00, d3});
        level("140.1 dB is over range", 140.1, {0x0A, 0x00, frame::kOverRange});
        dose("0 %", 0.0, {0x00, 0x00, d2});
        dose("5.5 %", 5.5, {0x05, 0x50, d2});
        dose("50 %", 50.0, {0x50, 0x00, d2});
        dose("99.994 % stays dd.dd", 99.994, {0x99, 0x99, d2});
        dose("99.996 % becomes 100.0", 99.996, {0x10, 0x00, d3});
        dose("123.45 %", 123.45, {0x12, 0x35, d3});
        dose("1234.4 % whole percent", 1234.4, {0x12, 0x34, 0});
        dose("20000 % is capped", 20000.0, {0x99, 0x99, 0});
    }
    void displayDigits() {
        QFETCH(bool, dose);
        QFETCH(double, value);
        QFETCH(DisplayDigits, expected);
        QCOMPARE(dose ? nd::sim::doseDigits(value) : nd::sim::levelDigits(value), expected);
    }

    void doseFollowsCriterionExchangeAndThreshold_data() {
        QTest::addColumn<double>("dB");
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("exchange");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<double>("hours");
        QTest::addColumn<double>("percent");
        QTest::newRow("100 dB, 90/5, 1 h") << 100.0 << 90 << 5 << 80 << 1.0 << 50.0;
        QTest::newRow("criterion level for 8 h") << 90.0 << 90 << 3 << 80 << 8.0 << 100.0;
        QTest::newRow("one exchange up for 4 h") << 93.0 << 90 << 3 << 80 << 4.0 << 100.0;
        QTest::newRow("one exchange down for 8 h") << 85.0 << 90 << 5 << 80 << 8.0 << 50.0;
        QTest::newRow("84/4 for 2 h") << 84.0 << 84 << 4 << 80 << 2.0 << 25.0;
        QTest::newRow("just below threshold") << 79.9 << 80 << 3 << 80 << 8.0 << 0.0;
        QTest::newRow("at threshold counts") << 80.0 << 80 << 3 << 80 << 8.0 << 100.0;
    }
    void doseFollowsCriterionExchangeAndThreshold() {
        QFETCH(double, dB);
        QFETCH(int, criterion);
        QFETCH(int, exchange);
        QFETCH(int, threshold);
        QFETCH(double, hours);
        QFETCH(double, percent);
        VirtualMeter meter;
        QVERIFY(meter.setDoseSettings(criterion, exchange));
        meter.setCell(mem::kThresholdLevel, threshold);
        meter.setFixedLevel(dB);
        meter.pressKeys(kRunPause, 10.0);
        QVERIFY(qAbs(meter.dose(10.0 + hours * kHour) - percent) < 1e-6);
    }

    void doseGrowsOnlyWhileRunningAndResetNeedsAStoppedMeter() {
        VirtualMeter meter; // 90 dB criterion, 5 dB exchange rate
        meter.setFixedLevel(100.0);
        auto doseAt = [&](double hours) { return meter.dose(hours * kHour); };
        auto press = [&](int code, double hours) { meter.pressKeys(code, hours * kHour); };

        QCOMPARE(doseAt(1.0), 0.0);
        press(kRunPause, 1.0);
        QVERIFY(qAbs(doseAt(1.5) - 25.0) < 1e-9);
        press(kRunPause, 1.5); // pause
        QVERIFY(qAbs(doseAt(2.5) - 25.0) < 1e-9);
        press(kResume, 2.5);
        press(kReset, 2.75); // ignored during a run
        QVERIFY(qAbs(doseAt(3.0) - 50.0) < 1e-9);
        press(kEndRun, 3.0);
        QVERIFY(qAbs(doseAt(4.0) - 50.0) < 1e-9);
        press(kReset, 4.0);
        QCOMPARE(doseAt(4.0), 0.0);
    }

    void runKeysSetTheModeBits() {
        VirtualMeter meter;
        const int run = frame::kRunning;
        const int pause = frame::kPaused;
        struct Step {
            int key;
            int runBits;
        };
        // RUN/PAUSE starts, then pauses; a paused run stays a run; only resume leaves the pause.
        const Step steps[] = {
            {kResume, 0},   {kRunPause, run}, {kRunPause, run | pause}, {kRunPause, run | pause},
            {kResume, run}, {kEndRun, 0},     {kRunPause, run},         {kRunPause, run | pause},
            {kEndRun, 0}};
        double now = 0.0;
        for (const Step& step : steps) {
            meter.pressKeys(step.key, now += 1.0);
            QCOMPARE(modeByte(meter, now) & (run | pause), step.runBits);
        }
    }

    void clockKeyShowsTheTimeAndGoesBack() {
        VirtualMeter meter;
        const int time = frame::kShowsTime | frame::kGroupedDigits;
        meter.pressKeys(kMode, 0.0); // %DOSE
        meter.pressKeys(kClock, 0.0);
        QCOMPARE(modeByte(meter, 0.0), time);
        meter.pressKeys(kClock, 0.0);
        QCOMPARE(modeByte(meter, 0.0), frame::kDoseMode);
        meter.pressKeys(kClock, 0.0);
        meter.pressKeys(kMode, 0.0); // from the time display MODE goes on to the date
        QCOMPARE(modeByte(meter, 0.0), frame::kShowsDate | frame::kGroupedDigits);
    }

    void timeAndDateFollowTheCalendarAcrossMidnight() {
        const double origin = 500.0;
        VirtualMeter meter({1, QDateTime(QDate(2024, 2, 29), QTime(23, 58, 30)), origin});
        meter.pressKeys(kClock, origin);
        QCOMPARE(digits(meter, origin), Bytes({0x23, 0x58}));
        QCOMPARE(digits(meter, origin + 95.0), Bytes({0x00, 0x00}));
        meter.pressKeys(kMode, origin); // date
        QCOMPARE(digits(meter, origin), Bytes({0x02, 0x29}));
        QCOMPARE(digits(meter, origin + 95.0), Bytes({0x03, 0x01}));
    }

    void eventKeyStepsBanksAndResetHidesTheSymbol() {
        VirtualMeter meter;
        QCOMPARE(extraByte(meter, 0.0), 7 << 5 | 1); // full battery, bank 1, no symbol
        meter.pressKeys(kEvent, 0.0);
        QCOMPARE(extraByte(meter, 0.0), 7 << 5 | frame::kBankSymbol | 2);
        for (int i = 0; i < 4; ++i)
            meter.pressKeys(kEvent, 0.0);
        QCOMPARE(extraByte(meter, 0.0) & frame::kBankMask, 1); // after bank 5 comes 1
        meter.pressKeys(kReset, 0.0);
        meter.setBatteryLevel(2);
        QCOMPARE(extraByte(meter, 0.0), 2 << 5 | 1);
    }

    void lockedKeysAndCombinedKeysAreIgnored() {
        VirtualMeter meter;
        meter.setKeyLocked(true);
        meter.pressKeys(kMode, 0.0);
        meter.pressKeys(kRunPause, 0.0);
        QCOMPARE(modeByte(meter, 0.0), frame::kDbaMode);
        QVERIFY(flagByte(meter, 0.0) & frame::kKeyLocked);

        meter.setKeyLocked(false);
        QVERIFY(!(flagByte(meter, 0.0) & frame::kKeyLocked));
        // MODE+EVENT and MODE+RESET are setup gestures, not MODE.
        meter.pressKeys(kMode + kEvent, 0.0);
        meter.pressKeys(kMode + kReset, 0.0);
        QCOMPARE(modeByte(meter, 0.0), frame::kDbaMode);
        QCOMPARE(extraByte(meter, 0.0) & frame::kBankMask, 1);
        meter.pressKeys(kSetup, 0.0);
        QCOMPARE(meter.setupEntries(), 1);
    }

    void indicatorsFollowLevelAndRun() {
        VirtualMeter meter;
        meter.setFixedLevel(114.9);
        QCOMPARE(flagByte(meter, 0.0) & ~frame::kDecimalAfter3, 0);
        meter.setFixedLevel(115.0);
        QVERIFY(flagByte(meter, 0.0) & frame::kLoud);

        meter.pressKeys(kRunPause, 0.0);
        QVERIFY(flagByte(meter, 0.0) & frame::kMemory);
        meter.setFixedLevel(141.0);
        QCOMPARE(flagByte(meter, 1.0) & (frame::kPeak | frame::kOverRange),
                 frame::kPeak | frame::kOverRange);
        meter.setFixedLevel(90.0);
        QVERIFY(flagByte(meter, 2.0) & frame::kPeak); // latched until reset
        meter.pressKeys(kEndRun, 2.0);
        meter.pressKeys(kReset, 2.0);
        QCOMPARE(flagByte(meter, 2.0) & (frame::kPeak | frame::kMemory), 0);
    }

    void soundIsReproducibleAndBelievable() {
        VirtualMeter a(VirtualMeter::Options{7, kCalendar, 0.0});
        VirtualMeter b(VirtualMeter::Options{7, kCalendar, 0.0});
        VirtualMeter other(VirtualMeter::Options{8, kCalendar, 0.0});
        std::vector<double> times;
        std::vector<double> levels;
        int differing = 0;
        for (double t = 0.0; t < kHour; t += 0.7) {
            times.push_back(t);
            levels.push_back(a.level(t));
            differing += other.level(t) != levels.back();
        }
        // Asked in reverse, the same seed gives the same sound: it depends on time only.
        for (std::size_t i = times.size(); i-- > 0;)
            QCOMPARE(b.level(times[i]), levels[i]);
        QVERIFY(differing > int(levels.size()) * 9 / 10);

        const auto typical = std::count_if(levels.begin(), levels.end(),
                                           [](double dB) { return dB >= 60.0 && dB <= 110.0; });
        QVERIFY(typical > qsizetype(levels.size()) * 9 / 10);
        QVERIFY(*std::max_element(levels.begin(), levels.end()) > 105.0); // some peaks
        QVERIFY(*std::min_element(levels.begin(), levels.end()) < 70.0);  // and quiet spells
    }

    void repliesArePacedAtLineSpeed() {
        VirtualMeter meter;
        const double bt = VirtualMeter::kByteTime;
        const auto status = meter.receive("X", 10.0);
        QCOMPARE(status.size(), std::size_t(3));
        for (std::size_t k = 0; k < status.size(); ++k)
            QVERIFY(qAbs(status[k].at - (10.0 + VirtualMeter::kReplyLatency + double(k) * bt)) <
                    1e-9);

        // Two commands in one write: the second reply waits for the line.
        const auto both = meter.receive("X ", 20.0);
        QCOMPARE(both.size(), std::size_t(3 + 7));
        QVERIFY(qAbs(both[3].at - (20.0 + VirtualMeter::kReplyLatency + 3 * bt)) < 1e-9);

        Faults slow;
        slow.extraLatency = 0.2;
        meter.setFaults(slow);
        QVERIFY(qAbs(meter.receive("X", 30.0).front().at - (30.2 + VirtualMeter::kReplyLatency)) <
                1e-9);
    }

    void dumpSendsLeadByteAndLoggedCells_data() {
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("end");
        QTest::newRow("no sets: the header") << 0 << 768;
        QTest::newRow("two sets") << 2 << 1000;
        QTest::newRow("whole memory") << 1 << 65535;
    }
    void dumpSendsLeadByteAndLoggedCells() {
        QFETCH(int, sets);
        QFETCH(int, end);
        VirtualMeter meter;
        for (int a = 0; a < 2000; a += 7)
            meter.setCell(a, a % 251);
        meter.setCell(mem::kSetCount, sets);
        if (sets > 0) {
            meter.setCell(mem::dataEndLow(sets), end & 0xFF);
            meter.setCell(mem::dataEndHigh(sets), end >> 8);
        }
        QCOMPARE(meter.loggedDataEnd(), end);

        const auto dump = meter.receive("U", 0.0);
        QCOMPARE(int(dump.size()), end + 1);
        QCOMPARE(dump.front().byte, 'U');
        for (int a = 0; a < end; ++a)
            QCOMPARE(static_cast<unsigned char>(dump[std::size_t(a + 1)].byte), meter.cell(a));
        const double expectedEnd = VirtualMeter::kReplyLatency + end * VirtualMeter::kByteTime;
        QVERIFY(qAbs(dump.back().at - expectedEnd) < 1e-6);
    }

    void aSecondUStopsADumpInFlightButOnlyClosesAFinishedOne() {
        VirtualMeter meter;
        QCOMPARE(meter.receive("U", 0.0).size(), std::size_t(769));
        QVERIFY(meter.receive("X", 0.2).empty()); // busy sending its memory
        const VirtualMeter::Answer stop = meter.answer("U", 0.3);
        QVERIFY(stop.bytes.empty());
        QCOMPARE(stop.cancelAfter.value_or(-1.0), 0.3);
        const auto status = meter.receive("X", 0.31);
        QCOMPARE(status.size(), std::size_t(3));
        QVERIFY(status.front().at < 0.32); // not queued behind the abandoned dump

        // After a whole dump the program's closing "U" starts nothing and stops nothing.
        const auto dump = meter.receive("U", 10.0);
        QCOMPARE(dump.size(), std::size_t(769));
        const double end = dump.back().at;
        const VirtualMeter::Answer closing = meter.answer("U", end + 0.01);
        QVERIFY(closing.bytes.empty() && !closing.cancelAfter);
        QCOMPARE(meter.receive("X", end + 0.1).size(), std::size_t(3));
        // Once closed, or long after, a "U" is a new dump.
        QCOMPARE(meter.receive("U", end + 0.2).size(), std::size_t(769));
        QCOMPARE(meter.receive("U", 100.0).size(), std::size_t(769));
    }
};

QTEST_APPLESS_MAIN(MeterModelTest)
#include "tst_MeterModel.moc"
