#pragma once

#include "stored/LevelList.h"
#include "stored/Reading.h"

#include <QPointF>
#include <QString>

#include <array>
#include <vector>

namespace nd::realtime {

/// The plot's fixed level range.
inline constexpr double kPlotBottom = 70.0;
inline constexpr double kPlotTop = 140.0;
/// Where a blank display ("----") is drawn: just under the bottom of the range.
inline constexpr double kBlankPlotLevel = 67.9;

/// Where a level is plotted: "OL" and levels beyond the top (the meter's "142.0") at the
/// top of the range, "----" at 67.9, a level at its dB; NaN (no point) for anything else.
double plotLevel(const stored::Level& level);
/// The plotted values of a list, row i at x = i + 1.
std::vector<double> plotLevels(const stored::LevelList& list);

/// An axis range; `valid` is false when min is not below max.
struct AxisRange {
    double min = 0.0;
    double max = 1.0;
    bool valid() const { return min < max; }
};

/// The x range after "Reset Scale": 1 to the number of points, and 1 to 2 when there are
/// fewer than two, so a single point and an empty plot still get an axis.
AxisRange resetXRange(std::size_t points);

/// The points to give the series for the visible x range: every point when there are
/// few, otherwise per pixel column the lowest and the highest value, in the order they
/// come, so a one-sample spike stays visible however far the plot is zoomed out. `values`
/// holds y at x = 1, 2, ...; NaN values are left out. One point either side of the range
/// is kept so the line runs to the edges.
std::vector<QPointF> visibleSlice(const std::vector<double>& values, AxisRange x, int columns);

/// The graph's interaction modes, in the order of the Track Mode list.
enum class TrackMode { Normal, Cursor, PanXY, PanX, PanY, ZoomXY, ZoomX, ZoomY };

struct TrackModeInfo {
    TrackMode mode;
    QString item;        ///< the list's text
    QString description; ///< the help text beside it
    bool panX, panY, zoomX, zoomY, cursor;
};

/// The eight modes in list order.
const std::array<TrackModeInfo, 8>& trackModes();

} // namespace nd::realtime
