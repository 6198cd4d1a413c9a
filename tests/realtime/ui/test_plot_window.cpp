// The Plot window: the axes and boxes after plotting, the boxes, the track modes and
// the cursor, panning, Reset Scale, thinning of a long series and printing.

#include "ScriptedDialogs.h"
#include "realtime/ui/Plot.h"
#include "realtime/ui/PlotView.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QValueAxis>

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

    void boxes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("xMax");
        QTest::newRow("y from 100") << "AxisMin2" << 100.0 << 100.0 << 120.0;
        QTest::newRow("y min at max keeps the range") << "AxisMin2" << 140.0 << 70.0 << 120.0;
        QTest::newRow("x max below min keeps the range") << "AxisMax1" << 0.0 << 70.0 << 120.0;
        QTest::newRow("x to 60") << "AxisMax1" << 60.0 << 70.0 << 60.0;
    }
    void boxes() {
        QFETCH(QString, box);
        QFETCH(double, value);
        Rig rig(levels(120));
        rig.box(qPrintable(box))->setValue(value);
        QTEST(rig.window.yRange().min, "yMin");
        QTEST(rig.window.xRange().max, "xMax");
    }

    void boxesShowWholeValues_labelsNeverRepeat() {
        Rig rig(levels(86400));
        auto* box = rig.box("AxisMax1");
        QVERIFY(box->findChild<QLineEdit*>()->contentsRect().width() >
                box->fontMetrics().horizontalAdvance("86400"));
        // Deep zoom on both axes: every label of an axis reads differently.
        rig.box("AxisMin1")->setValue(10);
        rig.box("AxisMax1")->setValue(12);
        rig.box("AxisMin2")->setValue(85.0);
        rig.box("AxisMax2")->setValue(85.2);
        for (QAbstractAxis* a : rig.window.view()->chart()->axes()) {
            auto* axis = qobject_cast<QValueAxis*>(a);
            QStringList labels;
            for (double v = std::ceil(axis->min() / axis->tickInterval()) * axis->tickInterval();
                 v <= axis->max() + 1e-9; v += axis->tickInterval())
                labels << QString::asprintf(qPrintable(axis->labelFormat()), v);
            QVERIFY2(labels.size() >= 2 && labels.removeDuplicates() == 0,
                     qPrintable(labels.join(' ')));
        }
    }

    void cursorMode() {
        Rig rig(levels(120));
        rig.window.setTrackMode(1);
        auto* view = rig.window.view();
        QVERIFY(view->cursorShown());
        QCOMPARE(view->cursorValue(), QPointF(60.5, 105.0));
        QCOMPARE(rig.window.findChild<QPlainTextEdit*>("txtDescription")->toPlainText(),
                 trackModes()[1].description);
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

    void panning_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("xMoves");
        QTest::addColumn<bool>("yMoves");
        QTest::newRow("PanXY") << 2 << true << true;
        QTest::newRow("PanX") << 3 << true << false;
        QTest::newRow("PanY") << 4 << false << true;
        QTest::newRow("Normal") << 0 << false << false;
    }
    void panning() {
        QFETCH(int, mode);
        Rig rig(levels(1000));
        rig.window.setTrackMode(mode);
        rig.window.view()->panBy({-100.0, 50.0});
        QTEST(rig.window.xRange().min != 1.0, "xMoves");
        QTEST(rig.window.yRange().min != 70.0, "yMoves");
    }

    void resetScale() {
        Rig rig(levels(120));
        rig.window.setTrackMode(2);
        rig.window.view()->panBy({-100.0, 50.0});
        rig.window.resetScale();
        QCOMPARE(rig.window.xRange().min, 1.0);
        QCOMPARE(rig.window.xRange().max, 120.0);
        QCOMPARE(rig.window.yRange().min, 70.0);
    }

    void aDayOfSamplesIsThinned() {
        Rig rig(levels(86400));
        const auto width = static_cast<int>(rig.window.view()->chart()->plotArea().width());
        QVERIFY(rig.window.seriesPoints() <= 2 * width + 2);
        // Zoomed in to 100 rows, every point is there.
        rig.box("AxisMin1")->setValue(1000);
        rig.box("AxisMax1")->setValue(1099);
        QCOMPARE(rig.window.seriesPoints(), 102);
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
