// The needle's angle and reading, and the value the analog display gives the needle.
#include "ReadingState.h"
#include "panel/Analog.h"
#include "panel/NeedleMeter.h"

#include <QTest>

#include <limits>

using nd::link::MeterState;
using nd::panel::AnalogNeedleValue;
using nd::panel::NeedleMeter;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kStart = NeedleMeter::kStartAngle;
constexpr double kEnd = NeedleMeter::kEndAngle;
constexpr double kPerDecibel = (kEnd - kStart) / 72.0;

} // namespace

class TestDisplayLogic : public QObject {
    Q_OBJECT

private slots:
    void needleAngleAndReading_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, double value, double angle, const char* text) {
            QTest::newRow(name) << value << angle << QString(text);
        };
        row("bottom of scale", 68.0, kStart, "68.0 dB");
        row("middle", 104.0, 0.0, "104.0 dB");
        row("evenly spread low", 78.0, kStart + 10 * kPerDecibel, "78.0 dB");
        row("evenly spread high", 129.0, kEnd - 11 * kPerDecibel, "129.0 dB");
        row("top of scale", 140.0, kEnd, "140.0 dB");
        // Past the scale the needle rests on a stop a little beyond the dial's end.
        row("over range marker", 142.0, kEnd + NeedleMeter::kStopOvershoot, "OL");
        row("far above", 1e9, kEnd + NeedleMeter::kStopOvershoot, "OL");
        row("blank marker", 6.79, kStart - NeedleMeter::kStopOvershoot, "----");
        row("just below", 66.0, kStart - NeedleMeter::kStopOvershoot, "----");
        row("not a number", kNaN, kStart - NeedleMeter::kStopOvershoot, "----");
    }
    void needleAngleAndReading() {
        QFETCH(double, value);
        QFETCH(double, angle);
        QFETCH(QString, text);
        QVERIFY(qAbs(NeedleMeter::needleAngle(value, 68.0, 140.0) - angle) < 1e-9);
        QCOMPARE(NeedleMeter::readingText(value, 68.0, 140.0), text);
    }

    void needleValueFromTheState_data() {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<double>("number");
        QTest::addColumn<double>("needle");
        QTest::newRow("over range") << " OL " << 140.0 << 142.0;
        QTest::newRow("blank") << "----" << 67.9 << 6.79;
        QTest::newRow("level") << "0945" << 945.0 << 94.5;
        QTest::newRow("small dose") << "0003" << 3.0 << 0.3;
        // Only the exact over-range digits mean over range.
        QTest::newRow("OL without spaces") << "OL  " << 0.0 << 0.0;
    }
    void needleValueFromTheState() {
        QFETCH(QString, digits);
        QFETCH(double, number);
        QFETCH(double, needle);
        QCOMPARE(AnalogNeedleValue(nd::test::readingState(digits, number)), needle);
    }
};

QTEST_GUILESS_MAIN(TestDisplayLogic)
#include "test_display_logic.moc"
