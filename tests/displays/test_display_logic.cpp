// The needle's angle and reading, and the value the analog display gives the needle.
#include "panel/Analog.h"
#include "panel/NeedleMeter.h"

#include <QTest>

#include <limits>

using nd::link::MeterState;
using nd::panel::AnalogNeedleValue;
using nd::panel::NeedleMeter;

namespace {

constexpr double kLowStop = NeedleMeter::kStartAngle - NeedleMeter::kStopOvershoot;
constexpr double kHighStop = NeedleMeter::kEndAngle + NeedleMeter::kStopOvershoot;

double angle(double value) {
    return NeedleMeter::needleAngle(value, 68.0, 140.0);
}

MeterState stateWithDigits(const QString& digits, double number) {
    MeterState state;
    state.Digit1 = digits.mid(0, 1);
    state.Digit2 = digits.mid(1, 1);
    state.Digit3 = digits.mid(2, 1);
    state.Digit4 = digits.mid(3, 1);
    state.DisplayText = digits;
    state.DisplayNumber = number;
    return state;
}

} // namespace

class TestDisplayLogic : public QObject {
    Q_OBJECT

private slots:
    void scaleEndsMeetTheDialEnds();
    void angleGrowsEvenlyAcrossTheScale();
    void valuesPastTheScaleRestOnTheStops_data();
    void valuesPastTheScaleRestOnTheStops();
    void readingTextUnderThePivot_data();
    void readingTextUnderThePivot();
    void needleValueFromTheState_data();
    void needleValueFromTheState();
};

void TestDisplayLogic::scaleEndsMeetTheDialEnds() {
    QCOMPARE(angle(68.0), NeedleMeter::kStartAngle);
    QCOMPARE(angle(140.0), NeedleMeter::kEndAngle);
    QCOMPARE(angle(104.0), 0.0);
    QCOMPARE(NeedleMeter::needleAngle(50.0, 0.0, 100.0), 0.0);
}

void TestDisplayLogic::angleGrowsEvenlyAcrossTheScale() {
    const double perDecibel = (NeedleMeter::kEndAngle - NeedleMeter::kStartAngle) / 72.0;
    QCOMPARE(angle(78.0) - angle(68.0), 10 * perDecibel);
    QCOMPARE(angle(139.0) - angle(129.0), 10 * perDecibel);
    QVERIFY(angle(94.5) < angle(94.6));
}

void TestDisplayLogic::valuesPastTheScaleRestOnTheStops_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("stop");
    QTest::newRow("over range marker") << 142.0 << kHighStop;
    QTest::newRow("far above") << 1e9 << kHighStop;
    QTest::newRow("blank marker") << 6.79 << kLowStop;
    QTest::newRow("just below") << 66.0 << kLowStop;
    QTest::newRow("negative") << -5.0 << kLowStop;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << kLowStop;
}

void TestDisplayLogic::valuesPastTheScaleRestOnTheStops() {
    QFETCH(double, value);
    QFETCH(double, stop);
    QCOMPARE(angle(value), stop);
}

void TestDisplayLogic::readingTextUnderThePivot_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("level") << 94.5 << "94.5 dB";
    QTest::newRow("bottom of scale") << 68.0 << "68.0 dB";
    QTest::newRow("top of scale") << 140.0 << "140.0 dB";
    QTest::newRow("over range") << 142.0 << "OL";
    QTest::newRow("blank") << 6.79 << "----";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "----";
}

void TestDisplayLogic::readingTextUnderThePivot() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NeedleMeter::readingText(value, 68.0, 140.0), text);
}

void TestDisplayLogic::needleValueFromTheState_data() {
    QTest::addColumn<QString>("digits");
    QTest::addColumn<double>("number");
    QTest::addColumn<double>("needle");
    QTest::newRow("over range") << " OL " << 140.0 << 142.0;
    QTest::newRow("blank") << "----" << 67.9 << 6.79;
    QTest::newRow("level") << "0945" << 945.0 << 94.5;
    QTest::newRow("dose digits") << "1250" << 1250.0 << 125.0;
    QTest::newRow("small dose") << "0003" << 3.0 << 0.3;
    // Only the exact over-range digits mean over range.
    QTest::newRow("OL without spaces") << "OL  " << 0.0 << 0.0;
}

void TestDisplayLogic::needleValueFromTheState() {
    QFETCH(QString, digits);
    QFETCH(double, number);
    QFETCH(double, needle);
    QCOMPARE(AnalogNeedleValue(stateWithDigits(digits, number)), needle);
}

QTEST_GUILESS_MAIN(TestDisplayLogic)
#include "test_display_logic.moc"
