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

/// Byte `index` of the display frame: 1 mode, 2 flags, 5 bank and battery.
int frameByte(VirtualMeter& meter, int index, double now = 0.0) {
    return static_cast<unsigned char>(meter.displayFrame(now).at(index));
}
QByteArray digits(VirtualMeter& meter, double now) {
    return meter.displayFrame(now).mid(3, 2);
}
bool near(double a, double b, double tolerance = 1e-9) {
    return qAbs(a - b) < tolerance;
}

struct DoseCase {
    double dB;
    int criterion, exchange, threshold;
    double hours, percent;
};

constexpr int kRunPause = 16, kEndRun = 32, kResume = 64, kReset = 4;
constexpr int kMode = 1, kEvent = 2, kClock = 8, kSetup = 128;
constexpr double kHour = 3600.0;
} // namespace

Q_DECLARE_METATYPE(DoseCase)

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
        QTest::addColumn<DoseCase>("c");
        QTest::newRow("100 dB, 90/5, 1 h") << DoseCase{100.0, 90, 5, 80, 1.0, 50.0};
        QTest::newRow("criterion level for 8 h") << DoseCase{90.0, 90, 3, 80, 8.0, 100.0};
        QTest::newRow("one exchange up for 4 h") << DoseCase{93.0, 90, 3, 80, 4.0, 100.0};
        QTest::newRow("one exchange down for 8 h") << DoseCase{85.0, 90, 5, 80, 8.0, 50.0};
        QTest::newRow("84/4 for 2 h") << DoseCase{84.0, 84, 4, 80, 2.0, 25.0};
        QTest::newRow("just below threshold") << DoseCase{79.9, 80, 3, 80, 8.0, 0.0};
        QTest::newRow("at threshold counts") << DoseCase{80.0, 80, 3, 80, 8.0, 100.0};
    }
    void doseFollowsCriterionExchangeAndThreshold() {
        QFETCH(DoseCase, c);
        VirtualMeter meter;
        QVERIFY(meter.setDoseSettings(c.criterion, c.exchange));
        meter.setCell(mem::kThresholdLevel, c.threshold);
        meter.setFixedLevel(c.dB);
        meter.pressKeys(kRunPause, 10.0);
        QVERIFY(near(meter.dose(10.0 + c.hours * kHour), c.percent, 1e-6));
    }

    // RUN/PAUSE starts, then pauses; a paused run stays a run and only resume leaves the
    // pause; the dose grows only while running, and only a stopped meter resets it.
    void runKeysSetTheModeBitsAndTheDoseGrowsOnlyWhileRunning() {
        VirtualMeter meter; // 90 dB criterion, 5 dB exchange rate: 50 % an hour at 100 dB
        meter.setFixedLevel(100.0);
        const int run = frame::kRunning;
        const int pause = frame::kPaused;
        struct Step {
            double hours;
            int key, runBits;
            double dose;
        };
        const Step steps[] = {{0.5, kResume, 0, 0.0},
                              {1.0, kRunPause, run, 0.0},
                              {1.5, kRunPause, run | pause, 25.0},
                              {2.0, kRunPause, run | pause, 25.0},
                              {2.5, kResume, run, 25.0},
                              {2.75, kReset, run, 37.5},
                              {3.0, kEndRun, 0, 50.0},
                              {4.0, kReset, 0, 0.0},
                              {5.0, kRunPause, run, 0.0},
                              {5.5, kRunPause, run | pause, 25.0},
                              {6.0, kEndRun, 0, 25.0}};
        for (const Step& step : steps) {
            const double now = step.hours * kHour;
            meter.pressKeys(step.key, now);
            QCOMPARE(frameByte(meter, 1, now) & (run | pause), step.runBits);
            QVERIFY2(near(meter.dose(now), step.dose), qPrintable(QString::number(step.hours)));
        }
    }

    void clockKeyShowsTheTimeAndDateFollowingTheCalendarAcrossMidnight() {
        const double origin = 500.0;
        const int grouped = frame::kGroupedDigits;
        VirtualMeter meter({1, QDateTime(QDate(2024, 2, 29), QTime(23, 58, 30)), origin});
        meter.pressKeys(kMode, origin); // %DOSE
        meter.pressKeys(kClock, origin);
        QCOMPARE(frameByte(meter, 1, origin), frame::kShowsTime | grouped);
        QCOMPARE(digits(meter, origin), Bytes({0x23, 0x58}));
        QCOMPARE(digits(meter, origin + 95.0), Bytes({0x00, 0x00}));
        meter.pressKeys(kClock, origin); // back to where it was
        QCOMPARE(frameByte(meter, 1, origin), frame::kDoseMode);
        meter.pressKeys(kClock, origin);
        meter.pressKeys(kMode, origin); // from the time display MODE goes on to the date
        QCOMPARE(frameByte(meter, 1, origin), frame::kShowsDate | grouped);
        QCOMPARE(digits(meter, origin), Bytes({0x02, 0x29}));
        QCOMPARE(digits(meter, origin + 95.0), Bytes({0x03, 0x01}));
    }

    void eventKeyStepsBanksAndResetHidesTheSymbol() {
        VirtualMeter meter;
        QCOMPARE(frameByte(meter, 5), 7 << 5 | 1); // full battery, bank 1, no symbol
        meter.pressKeys(kEvent, 0.0);
        QCOMPARE(frameByte(meter, 5), 7 << 5 | frame::kBankSymbol | 2);
        for (int i = 0; i < 4; ++i)
            meter.pressKeys(kEvent, 0.0);
        QCOMPARE(frameByte(meter, 5) & frame::kBankMask, 1); // after bank 5 comes 1
        meter.pressKeys(kReset, 0.0);
        meter.setBatteryLevel(2);
        QCOMPARE(frameByte(meter, 5), 2 << 5 | 1);
    }

    void lockedKeysAndCombinedKeysAreIgnored() {
        VirtualMeter meter;
        meter.setKeyLocked(true);
        meter.pressKeys(kMode, 0.0);
        meter.pressKeys(kRunPause, 0.0);
        QCOMPARE(frameByte(meter, 1), frame::kDbaMode);
        QVERIFY(frameByte(meter, 2) & frame::kKeyLocked);

        meter.setKeyLocked(false);
        QVERIFY(!(frameByte(meter, 2) & frame::kKeyLocked));
        // MODE+EVENT and MODE+RESET are setup gestures, not MODE.
        meter.pressKeys(kMode + kEvent, 0.0);
        meter.pressKeys(kMode + kReset, 0.0);
        QCOMPARE(frameByte(meter, 1), frame::kDbaMode);
        QCOMPARE(frameByte(meter, 5) & frame::kBankMask, 1);
        meter.pressKeys(kSetup, 0.0);
        QCOMPARE(meter.setupEntries(), 1);
    }

    void indicatorsFollowLevelAndRun() {
        VirtualMeter meter;
        meter.setFixedLevel(114.9);
        QCOMPARE(frameByte(meter, 2) & ~frame::kDecimalAfter3, 0);
        meter.setFixedLevel(115.0);
        QVERIFY(frameByte(meter, 2) & frame::kLoud);

        meter.pressKeys(kRunPause, 0.0);
        QVERIFY(frameByte(meter, 2) & frame::kMemory);
        meter.setFixedLevel(141.0);
        QCOMPARE(frameByte(meter, 2, 1.0) & (frame::kPeak | frame::kOverRange),
                 frame::kPeak | frame::kOverRange);
        meter.setFixedLevel(90.0);
        QVERIFY(frameByte(meter, 2, 2.0) & frame::kPeak); // latched until reset
        meter.pressKeys(kEndRun, 2.0);
        meter.pressKeys(kReset, 2.0);
        QCOMPARE(frameByte(meter, 2, 2.0) & (frame::kPeak | frame::kMemory), 0);
    }

    void soundIsReproducibleAndBelievable() {
        VirtualMeter a({7, kCalendar, 0.0}), b({7, kCalendar, 0.0}), other({8, kCalendar, 0.0});
        std::vector<double> levels;
        int differing = 0;
        for (int i = 0; i < 5000; ++i) {
            levels.push_back(a.level(i * 0.7));
            differing += other.level(i * 0.7) != levels.back();
        }
        // Asked in reverse, the same seed gives the same sound: it depends on time only.
        for (std::size_t i = levels.size(); i-- > 0;)
            QCOMPARE(b.level(int(i) * 0.7), levels[i]);
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
        const double latency = VirtualMeter::kReplyLatency;
        const auto status = meter.receive("X", 10.0);
        QCOMPARE(status.size(), std::size_t(3));
        for (std::size_t k = 0; k < status.size(); ++k)
            QVERIFY(near(status[k].at, 10.0 + latency + double(k) * bt));
        // Two commands in one write: the second reply waits for the line.
        const auto both = meter.receive("X ", 20.0);
        QCOMPARE(both.size(), std::size_t(3 + 7));
        QVERIFY(near(both[3].at, 20.0 + latency + 3 * bt));
        meter.setFaults({.extraLatency = 0.2});
        QVERIFY(near(meter.receive("X", 30.0).front().at, 30.2 + latency));
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
        QVERIFY(near(dump.back().at, VirtualMeter::kReplyLatency + end * VirtualMeter::kByteTime,
                     1e-6));
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
