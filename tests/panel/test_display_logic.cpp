// The needle's angle and reading, and the value the analog display gives the needle.
#include "panel/Analog.h"
#include "panel/NeedleMeter.h"

#include <QTest>

#include <limits>

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
    void needleAngle_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("angle");
        QTest::newRow("bottom of scale") << 68.0 << kStart;
        QTest::newRow("middle") << 104.0 << 0.0;
        QTest::newRow("evenly spread low") << 78.0 << kStart + 10 * kPerDecibel;
        QTest::newRow("evenly spread high") << 129.0 << kEnd - 11 * kPerDecibel;
        QTest::newRow("top of scale") << 140.0 << kEnd;
        // Past the scale the needle rests on a stop a little beyond the dial's end.
        QTest::newRow("over range") << 142.0 << kEnd + NeedleMeter::kStopOvershoot;
        QTest::newRow("far above") << 1e9 << kEnd + NeedleMeter::kStopOvershoot;
        QTest::newRow("below") << 60.0 << kStart - NeedleMeter::kStopOvershoot;
        QTest::newRow("not a number") << kNaN << kStart - NeedleMeter::kStopOvershoot;
    }
    void needleAngle() {
        QFETCH(double, value);
        QFETCH(double, angle);
        QVERIFY(qAbs(NeedleMeter::needleAngle(value, 68.0, 140.0) - angle) < 1e-9);
    }

    // The needle follows the main window's value text, so it never contradicts it.
    void needleValueFromTheShownText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("needle");
        QTest::newRow("level") << "94.5" << 94.5;
        QTest::newRow("digits 0000 beyond the top") << "142.0" << 142.0;
        QTest::newRow("over range") << "OL" << 142.0;
        QTest::newRow("blank") << "----" << 0.0;
        QTest::newRow("clock") << "8:35" << 0.0;
    }
    void needleValueFromTheShownText() {
        QFETCH(QString, text);
        QTEST(AnalogNeedleValue(text), "needle");
    }
};

QTEST_GUILESS_MAIN(TestDisplayLogic)
#include "test_display_logic.moc"
