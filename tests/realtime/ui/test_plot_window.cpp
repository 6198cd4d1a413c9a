// The Plot window: the axes and boxes after plotting, the cursor, panning and Reset Scale,
// reuse of the open window and printing (ranges and thinning: test_graph_geometry).

#include "ScriptedDialogs.h"
#include "realtime/ui/Plot.h"
#include "realtime/ui/PlotView.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QTest>

using namespace nd::realtime;
using nd::realtime::ui::Plot;

namespace {

nd::stored::LevelList levels(int n, const QString& value = QStringLiteral("85.0")) {
    nd::stored::LevelList list;
    for (int i = 0; i < n; ++i) {
        const auto t = nd::stored::makeStamp(QDate(2026, 12, 5), 0) + (i % 86400) * 10;
        list.rows.push_back(nd::stored::makeRow(QString::number(i + 1),
                                                nd::stored::stampDateText(t),
                                                nd::stored::stampTimeText(t), value));
    }
    return list;
}

struct Rig {
    nd::test::ScriptedDialogs dialogs;
    Plot window{dialogs};

    explicit Rig(const nd::stored::LevelList& list) {
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.plot(list, "test.dat");
    }
    QDoubleSpinBox* box(const char* name) { return window.findChild<QDoubleSpinBox*>(name); }
    QString text(const char* name) { return window.findChild<QLabel*>(name)->text(); }
};

} // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT

private slots:
    void plottedFile() {
        Rig rig(levels(120));
        QCOMPARE(rig.window.xRange().max, 120.0);
        QCOMPARE(rig.window.yRange().max, 140.0);
        QStringList boxes;
        for (const char* name : {"AxisMin1", "AxisMax1", "AxisMin2", "AxisMax2"})
            boxes << rig.box(name)->text();
        QCOMPARE(boxes, QStringList({"1", "120", "70.0", "140.0"}));
    }

    void cursorMode() {
        Rig rig(levels(120));
        rig.window.setTrackMode(1);
        auto* view = rig.window.view();
        QVERIFY(view->cursorShown());
        QCOMPARE(view->cursorValue(), QPointF(60.5, 105.0));
        // A drag moves it and the readout follows.
        const QPointF at = view->chart()->mapToPosition(QPointF(30.0, 85.3));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(at));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(at));
        // The nearest sample's number, time and level.
        QCOMPARE(rig.text("XPosition"), QStringLiteral("30"));
        QCOMPARE(rig.text("TimePosition"), QStringLiteral("2026/12/05 00:00:29"));
        QCOMPARE(rig.text("YPosition"), QStringLiteral("85.0"));
        rig.window.setTrackMode(2);
        QVERIFY(!view->cursorShown());
    }

    void resetScale() {
        Rig rig(levels(120));
        rig.window.setTrackMode(2);
        rig.window.view()->panBy({-100.0, 50.0});
        QVERIFY(rig.window.xRange().min != 1.0 && rig.window.yRange().min != 70.0);
        rig.window.resetScale();
        QCOMPARE(rig.window.xRange().min, 1.0);
        QCOMPARE(rig.window.xRange().max, 120.0);
        QCOMPARE(rig.window.yRange().min, 70.0);
    }

    void laterPlotReusesTheWindow() {
        nd::test::ScriptedDialogs dialogs;
        QWidget owner;
        Plot* first = Plot::showList(levels(10), "a.dat", dialogs, &owner);
        Plot* second = Plot::showList(levels(20), "b.dat", dialogs, &owner);
        QCOMPARE(second, first);
        QCOMPARE(second->xRange().max, 20.0);
    }

    void printing() {
        Rig rig(levels(120));
        for (bool accept : {false, true}) {
            rig.dialogs.answerPrint(accept);
            rig.window.print();
        }
        QVERIFY(rig.window.findChild<QWidget*>("FrmGraphic")->isVisible());
        QCOMPARE(rig.dialogs.shown().size(), 2); // the two print dialogs, no message
    }
};

QTEST_MAIN(PlotWindowTest)
#include "test_plot_window.moc"
