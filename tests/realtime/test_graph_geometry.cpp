// The real-time graph's geometry, heights, labels, sweep marks, limit checks and tick
// booking; the plot's levels, its visible-slice thinning and Reset Scale.

#include "Fetch.h"
#include "realtime/GraphGeometry.h"
#include "realtime/PlotData.h"
#include "realtime/TickSchedule.h"

#include <QTest>

#include <cmath>

using namespace nd::realtime;
using nd::stored::parseLevel;

class GraphGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void geometry_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("plotWidth");
        QTest::addColumn<int>("plotHeight");
        QTest::addColumn<int>("baseY");
        QTest::addColumn<int>("topY");
        QTest::newRow("660x500") << 660 << 500 << 600 << 400 << 473 << 73;
        QTest::newRow("width not a multiple of 30") << 700 << 500 << 630 << 400 << 473 << 73;
    }
    void geometry() {
        QFETCH(int, width);
        QFETCH(int, height);
        const GraphGeometry g = GraphGeometry::forClient(width, height);
        QCOMPARE(g.plotWidth, QFETCH_TYPE(int, plotWidth));
        QCOMPARE(g.plotHeight, QFETCH_TYPE(int, plotHeight));
        QCOMPARE(g.baseY, QFETCH_TYPE(int, baseY));
        QCOMPARE(g.topY(), QFETCH_TYPE(int, topY));
    }

    void height_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("height"); // -1000: no point
        QTest::newRow("105.0 halfway") << "105.0" << 200.0;
        QTest::newRow("bottom") << "70.0" << 0.0;
        QTest::newRow("OL over the top") << "OL" << 405.0;
        QTest::newRow("145 over the top") << "145.0" << 405.0;
        QTest::newRow("0000 display over the top") << "142.0" << 405.0;
        QTest::newRow("---- under the bottom") << "----" << -3.0;
        QTest::newRow("65 under the bottom") << "65.0" << -3.0;
        QTest::newRow("missing sample: gap") << "" << -1000.0;
        QTest::newRow("a clock: gap") << "8:35" << -1000.0;
    }
    void height() {
        QFETCH(QString, caption);
        QFETCH(double, height);
        const auto h = heightFor(parseLevel(caption), ChartLimits{}, 400);
        QCOMPARE(h.value_or(-1000.0), height);
    }

    void labels() {
        QStringList texts;
        for (int i = 0; i <= 8; ++i)
            texts << levelLabelText(levelLabelValue(ChartLimits{}, i));
        QCOMPARE(texts, QStringList({" 70.0", " 78.75", " 87.5", " 96.25", " 105.0", " 113.75",
                                     " 122.5", " 131.25", " 140.0"}));
        QCOMPARE(levelLabelText(-2.5), QStringLiteral("-2.5"));
    }

    void sweep_data() {
        QTest::addColumn<int>("plotWidth");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("readings");
        QTest::addColumn<QList<double>>("timeMarks");
        QTest::addColumn<QList<double>>("quarterMarks");
        QTest::addColumn<double>("lastX");
        // One pixel a reading: positions 0 .. 601, the 603rd reading wraps to 0.
        QTest::newRow("step 1, wrap")
            << 600 << 1.0 << 603 << QList<double>{0, 300, 0} << QList<double>{150, 450} << 0.0;
        // 630/4 = 157.5 falls between two readings: the one that first passes it marks.
        QTest::newRow("quarter between pixels")
            << 630 << 1.0 << 400 << QList<double>{0, 315} << QList<double>{157} << 399.0;
        // Steps of 600/7: the middle (300) lies inside the slot of reading 3 (257.14..342.86);
        // reading 7 sits on the right edge, reading 8 wraps.
        QTest::newRow("coarse steps")
            << 600 << 600.0 / 7 << 9 << QList<double>{0, 3 * (600.0 / 7), 0}
            << QList<double>{600.0 / 7, 5 * (600.0 / 7)} << 0.0;
    }
    void sweep() {
        QFETCH(int, plotWidth);
        QFETCH(double, step);
        QFETCH(int, readings);
        Sweep s(plotWidth, step);
        QList<double> time, quarter;
        double x = -1;
        for (int i = 0; i < readings; ++i) {
            x = s.advance();
            if (s.markHere() == SweepMark::Time)
                time << x;
            else if (s.markHere() == SweepMark::Quarter)
                quarter << x;
        }
        QCOMPARE(time, QFETCH_TYPE(QList<double>, timeMarks));
        QCOMPARE(quarter, QFETCH_TYPE(QList<double>, quarterMarks));
        QCOMPARE(x, QFETCH_TYPE(double, lastX));
    }

    void limits_data() {
        QTest::addColumn<QString>("boxes"); // max, min, counts; "_" an empty box
        QTest::addColumn<QString>("message");
        const QString counts = kCountLimitsMessage, levels = kLevelLimitsMessage;
        QTest::newRow("good") << "120 80.5 600" << QString();
        QTest::newRow("whole range, fewest counts") << "140 70 10" << QString();
        QTest::newRow("count 9: only the count message") << "140 70 9" << counts;
        QTest::newRow("count too many") << "140 70 864001" << counts;
        QTest::newRow("count not a number") << "140 70 x" << counts;
        QTest::newRow("max equals min") << "100 100 600" << levels;
        QTest::newRow("max above 140") << "141 70 600" << levels;
        QTest::newRow("min below 70") << "140 69.9 600" << levels;
        QTest::newRow("empty max, bad count too") << "_ 70 9" << levels;
    }
    void limits() {
        QFETCH(QString, message);
        const QStringList b = QString(QFETCH_TYPE(QString, boxes)).replace("_", "").split(' ');
        const LimitsVerdict v = checkLimits(b[0], b[1], b[2]);
        QCOMPARE(v.message, message);
        // Good levels are kept even when the count is refused.
        QCOMPARE(v.levelsOk, message != kLevelLimitsMessage);
        if (v.levelsOk) {
            QCOMPARE(v.limits.chartMax, b[0].toDouble());
            QCOMPARE(v.limits.chartMin, b[1].toDouble());
            QCOMPARE(v.limits.counts.value_or(0), message.isEmpty() ? b[2].toInt() : 0);
        }
    }

    void ticks_data() {
        QTest::addColumn<QList<double>>("wakes");
        QTest::addColumn<QList<double>>("dues"); // -1: nothing due
        QTest::addColumn<QList<int>>("missed");
        // Woken 0.1 s late each time: the next stays booked on the half-second grid.
        QTest::newRow("late ticks do not drift")
            << QList<double>{0.6, 1.1, 1.6} << QList<double>{0.5, 1.0, 1.5} << QList<int>{0, 0, 0};
        QTest::newRow("early wake")
            << QList<double>{0.49, 0.5} << QList<double>{-1, 0.5} << QList<int>{0, 0};
        // Held up for 1.3 s: the slots at 1.0 and 1.5 are skipped, not run back to back.
        QTest::newRow("missed slots skipped")
            << QList<double>{0.5, 1.8, 2.0} << QList<double>{0.5, 1.5, 2.0} << QList<int>{0, 1, 0};
    }
    void ticks() {
        QFETCH(QList<double>, wakes);
        QFETCH(QList<double>, dues);
        QFETCH(QList<int>, missed);
        TickSchedule schedule;
        schedule.start(0.0, 0.5);
        for (qsizetype i = 0; i < wakes.size(); ++i) {
            const auto tick = schedule.take(wakes[i]);
            QCOMPARE(tick ? tick->due : -1.0, dues[i]);
            if (tick)
                QCOMPARE(tick->missed, missed[i]);
        }
    }

    void plotLevels_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("y"); // -1: no point
        QTest::newRow("level") << "85.3" << 85.3;
        QTest::newRow("OL at the top") << "OL" << 140.0;
        QTest::newRow("0000 display at the top") << "142.0" << 140.0;
        QTest::newRow("---- just under the bottom") << "----" << 67.9;
        QTest::newRow("junk") << "abc" << -1.0;
    }
    void plotLevels() {
        const double y = plotLevel(nd::stored::parseLevel(QFETCH_TYPE(QString, text)));
        QCOMPARE(std::isnan(y) ? -1.0 : y, QFETCH_TYPE(double, y));
    }

    void thinningKeepsALoneSpike_data() {
        QTest::addColumn<int>("spikeAt");
        QTest::newRow("first") << 0;
        QTest::newRow("middle") << 43210;
        QTest::newRow("last") << 86399;
    }
    void thinningKeepsALoneSpike() {
        std::vector<double> values(86400, 80.0);
        const int spike = QFETCH_TYPE(int, spikeAt);
        values[static_cast<std::size_t>(spike)] = 130.0;
        values[1000] = 60.0; // and a dip
        const auto points = visibleSlice(values, {1.0, 86400.0}, 800);
        QVERIFY(points.size() <= 2 * 800 + 2);
        double top = 0, bottom = 1000;
        for (const QPointF& p : points) {
            top = std::max(top, p.y());
            bottom = std::min(bottom, p.y());
        }
        QCOMPARE(top, 130.0);
        QCOMPARE(bottom, 60.0);
        for (std::size_t i = 1; i < points.size(); ++i)
            QVERIFY(points[i].x() > points[i - 1].x());
        QVERIFY(visibleSlice(values, {5.0, 5.0}, 800).empty());
    }

    void plotResetScale_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("max");
        QTest::newRow("120 rows") << 120 << 120.0;
        QTest::newRow("one row") << 1 << 2.0;
        QTest::newRow("no rows") << 0 << 2.0;
    }
    void plotResetScale() {
        const AxisRange x = resetXRange(static_cast<std::size_t>(QFETCH_TYPE(int, rows)));
        QCOMPARE(x.min, 1.0);
        QCOMPARE(x.max, QFETCH_TYPE(double, max));
        QVERIFY(x.valid());
    }
};

QTEST_GUILESS_MAIN(GraphGeometryTest)
#include "test_graph_geometry.moc"
