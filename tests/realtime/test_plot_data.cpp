// The plot's levels, its visible-slice thinning, Reset Scale and the track modes.

#include "Fetch.h"
#include "realtime/PlotData.h"

#include <QTest>

#include <cmath>

using namespace nd::realtime;

class PlotDataTest : public QObject {
    Q_OBJECT

private slots:
    void levels_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("y"); // -1: no point
        QTest::newRow("level") << "85.3" << 85.3;
        QTest::newRow("OL at the top") << "OL" << 140.0;
        QTest::newRow("0000 display at the top") << "142.0" << 140.0;
        QTest::newRow("---- just under the bottom") << "----" << 67.9;
        QTest::newRow("junk") << "abc" << -1.0;
    }
    void levels() {
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
        double top = 0;
        double bottom = 1000;
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

    void resetScale_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("max");
        QTest::newRow("120 rows") << 120 << 120.0;
        QTest::newRow("one row") << 1 << 2.0;
        QTest::newRow("no rows") << 0 << 2.0;
    }
    void resetScale() {
        const AxisRange x = resetXRange(static_cast<std::size_t>(QFETCH_TYPE(int, rows)));
        QCOMPARE(x.min, 1.0);
        QCOMPARE(x.max, QFETCH_TYPE(double, max));
        QVERIFY(x.valid());
    }

    void modes() {
        QStringList items;
        for (const TrackModeInfo& m : trackModes())
            items << m.item;
        QCOMPARE(items, QStringList({"Normal", "Cursor Coordinates", "PanXY", "PanX", "PanY",
                                     "ZoomXY", "ZoomX", "ZoomY"}));
        const auto& m = trackModes();
        QVERIFY(m[1].cursor && !m[0].cursor && !m[2].cursor);
        QVERIFY(m[2].panX && m[2].panY && m[3].panX && !m[3].panY && !m[4].panX && m[4].panY);
        QVERIFY(m[5].zoomX && m[5].zoomY && m[6].zoomX && !m[6].zoomY && m[7].zoomY);
        QCOMPARE(m[3].description,
                 QStringLiteral("Click anywhere on the plot area and drag to pan the graph "
                                "horizontally."));
    }
};

QTEST_GUILESS_MAIN(PlotDataTest)
#include "test_plot_data.moc"
