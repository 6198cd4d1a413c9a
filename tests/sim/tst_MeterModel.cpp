// The virtual meter on its own where the link relies on it: command framing, display
// digits and the overload flag of logged levels. The rest (dose, run keys, banks, setup)
// is tested through what it serves.

#include "link/Meter.h"
#include "sim/CommandParser.h"
#include "sim/DisplayFrame.h"
#include "sim/LoggedSets.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;

Q_DECLARE_METATYPE(nd::sim::DisplayDigits)

namespace {
using Kind = MeterCommand::Kind;
using nd::link::Bytes;
} // namespace

class MeterModelTest : public QObject {
    Q_OBJECT

private slots:
    void parserFindsTheSameCommandsHoweverTheBytesAreSplit() {
        // Stray bytes start no command; raw address and data bytes that look like command
        // letters must stay raw.
        const QByteArray stream = Bytes({'Q', 0x00, 0xFF}) + "X " + Bytes({'R', 0x3B, 0x00}) +
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
        level("140.1 dB is over range", 140.1, {0x0A, 0x00, frame::kOverRange});
        dose("5.5 %", 5.5, {0x05, 0x50, d2});
        dose("99.994 % stays dd.dd", 99.994, {0x99, 0x99, d2});
        dose("99.996 % becomes 100.0", 99.996, {0x10, 0x00, d3});
        dose("20000 % is capped", 20000.0, {0x99, 0x99, 0});
    }
    void displayDigits() {
        QFETCH(bool, dose);
        QFETCH(double, value);
        QFETCH(DisplayDigits, expected);
        QCOMPARE(dose ? nd::sim::doseDigits(value) : nd::sim::levelDigits(value), expected);
    }

    void loggedLevelsFrom124dBCarryTheOverloadFlag() {
        VirtualMeter meter;
        // Seed 103 walks up to 125.0 dB, through 124.0 itself.
        QVERIFY(
            storeLoggedSets(meter, {{QDateTime(QDate(2024, 3, 15), QTime(9, 0)), 10, 600}}, 103));
        const int records = 768 + 8; // the first set's, after its header
        auto bcd = [](int b) { return (b >> 4) * 10 + (b & 0x0F); };
        int at124 = 0;
        for (int a = records; a < records + 3 * 600; a += 3) {
            const int tenths = bcd(meter.cell(a)) + 100 * bcd(meter.cell(a + 1));
            at124 += tenths == 1240 ? 1 : 0;
            QCOMPARE(bool(meter.cell(a + 2) & 0x40), tenths >= 1240);
        }
        QVERIFY(at124 > 0);
    }
};

QTEST_APPLESS_MAIN(MeterModelTest)
#include "tst_MeterModel.moc"
