// The virtual meter on its own where the link relies on it: command framing, display
// digits, dose and the run keys. The rest is tested through the link.

#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "sim/CommandParser.h"
#include "sim/DisplayFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;
namespace mem = nd::link::memory;

Q_DECLARE_METATYPE(nd::sim::DisplayDigits)

namespace {
using Kind = MeterCommand::Kind;

using nd::link::Bytes;

/// Byte `index` of the display frame: 1 mode, 2 flags, 5 bank and battery.
int frameByte(VirtualMeter& meter, int index, double now = 0.0) {
    return static_cast<unsigned char>(meter.displayFrame(now).at(index));
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
        QTest::newRow("four E's: an erase and a start") << QByteArray("EEEE") << 1 << 1;
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
        level("69.9 dB is blank", 69.9, {0xBB, 0xBB, 0});
        level("69.96 dB shows as 70.0", 69.96, {0x07, 0x00, d3});
        level("140.1 dB is over range", 140.1, {0x0A, 0x00, frame::kOverRange});
        dose("5.5 %", 5.5, {0x05, 0x50, d2});
        dose("99.994 % stays dd.dd", 99.994, {0x99, 0x99, d2});
        dose("99.996 % becomes 100.0", 99.996, {0x10, 0x00, d3});
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
        QTest::newRow("one exchange up for 4 h") << DoseCase{93.0, 90, 3, 80, 4.0, 100.0};
        QTest::newRow("one exchange down for 8 h") << DoseCase{85.0, 90, 5, 80, 8.0, 50.0};
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
};

QTEST_APPLESS_MAIN(MeterModelTest)
#include "tst_MeterModel.moc"
