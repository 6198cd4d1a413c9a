#pragma once

#include "stored/HistogramCounts.h"

#include <QWidget>

class QChart;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QToolBar;
class QValueAxis;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::stored::ui {

class HistogramView;

/// The histogram windows, "Histogram" both: `Histogram1` counts in 1 dB bins, `Histogram`
/// in 0.1 dB bins. The x axis reads in dB in both; ranges are given in bin numbers, and
/// bin k is drawn from k bins, as a step over its width. Tick steps follow the shown range
/// (whole counts, at least one bin). The track-mode list (`Combo1`) pans and zooms;
/// "Reset" shows the filled bins; "Limit" shows `Picture1` to type the ranges; "Print"
/// prints the window as shown.
class Histogram final : public QWidget {
    Q_OBJECT

public:
    /// The track-mode items of `Combo1`, in order.
    enum TrackMode { Normal, PanXY, PanX, PanY, ZoomXY, ZoomX, ZoomY, Reset };

    Histogram(HistogramCounts counts, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// Closes the histogram window shown before (of either resolution) and shows these
    /// counts in a new one at the top left of the screen. `owner` (the main window) takes
    /// it down with it when the program ends.
    static Histogram* showCounts(HistogramCounts counts, dialogs::Dialogs& dialogs,
                                 QWidget* owner = nullptr);

    const HistogramCounts& counts() const { return m_counts; }
    BinRange xRange() const;
    /// The y axis range: 0 to the maximum.
    double yMax() const;
    /// The view as first shown.
    BinRange firstView() const { return m_firstView; }
    /// The view "Reset" brings back.
    BinRange resetView() const { return m_counts.resetView(); }
    double firstYMax() const { return m_countMax; }
    TrackMode trackMode() const { return m_mode; }
    /// What the chart says above the bars (why it is empty, when it is).
    QString message() const;
    /// The axes, x in dB (bins / bins per dB), y in counts.
    const QValueAxis* axisX() const { return m_axisX; }
    const QValueAxis* axisY() const { return m_axisY; }

    /// As picking item `index` of `Combo1`; -1 (nothing chosen) is answered with a message.
    void applyTrackMode(int index);
    /// Shows `Picture1` with the ranges to change.
    void showLimits();
    /// Applies the ranges typed in `Picture1` and hides it.
    void applyLimits();
    /// Prints the window as shown; false when cancelled or failed.
    bool print();

private:
    void buildChart();
    void setRanges(const BinRange& x, double yMax);
    void setTicks(double xSpan, double ySpan);
    void adaptTicks();

    HistogramCounts m_counts;
    dialogs::Dialogs& m_dialogs;
    BinRange m_firstView;
    double m_countMax = 1.0;
    TrackMode m_mode = Normal;
    QChart* m_chart = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    HistogramView* m_Graph = nullptr;
    QToolBar* m_Toolbar1 = nullptr;
    QComboBox* m_Combo1 = nullptr;
    QWidget* m_Picture1 = nullptr;
    QDoubleSpinBox* m_TxtXMin = nullptr;
    QDoubleSpinBox* m_TxtXMax = nullptr;
    QDoubleSpinBox* m_TxtYMax = nullptr;
};

} // namespace nd::stored::ui
