#pragma once

#include "realtime/PlotData.h"
#include "stored/LevelList.h"

#include <QWidget>

#include <array>
#include <vector>

class QChart;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineSeries;
class QPlainTextEdit;
class QPushButton;
class QValueAxis;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::realtime::ui {

class PlotView;

/// The "Plot" window: the levels of a level list against their row numbers, with range
/// boxes, the track modes (pan, zoom, cursor), "Reset Scale" and "Print Graph". The
/// levels stay in a vector; the series only ever holds the visible slice, thinned to the
/// lowest and highest level of each pixel column, so 86,400 rows pan without a stutter.
class Plot final : public QWidget {
    Q_OBJECT

public:
    Plot(dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// Shows a list in the Plot window of `parent` (the "Saved File" window's "Plot"):
    /// row i at x = i, the boxes at 1, N, 70.0 and 140.0. A Plot window the parent already
    /// has is reused and its contents replaced; a new one deletes itself when closed.
    static Plot* showList(const stored::LevelList& list, const QString& title,
                          dialogs::Dialogs& dialogs, QWidget* parent = nullptr);
    /// Replaces what the window plots.
    void plot(const stored::LevelList& list, const QString& title);

    void setTrackMode(int index);
    void resetScale();
    void print();

    AxisRange xRange() const;
    AxisRange yRange() const;
    /// The points the series holds now (the thinned visible slice).
    qsizetype seriesPoints() const;
    PlotView* view() const { return m_Graph1; }

private:
    void buildControls();
    void applyBoxes();
    void refreshSeries();
    void showCursor(QPointF value);
    void setAxes(AxisRange x, AxisRange y);
    void setTicks(double xSpan, double ySpan);
    void adaptTicks();

    dialogs::Dialogs& m_dialogs;
    std::vector<double> m_values;
    stored::LevelList m_list; ///< the rows plotted, for the cursor's readout
    AxisRange m_lastX{1.0, 2.0};
    AxisRange m_lastY{kPlotBottom, kPlotTop};
    bool m_refreshing = false;

    QChart* m_chart = nullptr;
    QLineSeries* m_series = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    PlotView* m_Graph1 = nullptr;
    QGroupBox* m_FrmGraphic = nullptr;
    std::array<QDoubleSpinBox*, 2> m_AxisMin{};
    std::array<QDoubleSpinBox*, 2> m_AxisMax{};
    QComboBox* m_Combo1 = nullptr;
    QPlainTextEdit* m_txtDescription = nullptr;
    QLabel* m_XPosition = nullptr;
    QLabel* m_YPosition = nullptr;
    QLabel* m_TimePosition = nullptr;
    QPushButton* m_CmdReset = nullptr;
    QPushButton* m_CmdPrint = nullptr;
};

} // namespace nd::realtime::ui
