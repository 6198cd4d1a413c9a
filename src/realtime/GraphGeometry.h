#pragma once

#include "stored/Reading.h"

#include <QString>

#include <optional>

namespace nd::realtime {

/// Where the real-time graph draws, in pixels of its client area (y grows downward).
struct GraphGeometry {
    static constexpr int kLeftMargin = 60;
    /// The plot width is a whole number of these, so halves and quarters fall on pixels
    /// as often as they can.
    static constexpr int kWidthStep = 30;

    int plotWidth = 0;
    int plotHeight = 0;
    int baseY = 0; ///< the bottom edge, level ChartMin

    int topY() const { return baseY - plotHeight; }
    static GraphGeometry forClient(int clientWidth, int clientHeight);
};

/// The chart's level range and readings across it. Window state: a restart keeps it.
struct ChartLimits {
    static constexpr double kLowest = 70.0;
    static constexpr double kHighest = 140.0;
    static constexpr int kFewestCounts = 10;
    static constexpr int kMostCounts = 864000;

    double chartMin = kLowest;
    double chartMax = kHighest;
    /// Readings across the plot width; none means one pixel per reading.
    std::optional<int> counts;

    /// Horizontal distance between two readings on a plot of that width.
    double stepX(int plotWidth) const;
};

/// Height above the bottom edge at which a reading is drawn: "OL" and levels above the
/// range 5 pixels over the top, "----" and levels below it 3 pixels under the bottom.
/// Nothing for a reading that is no level (a missing sample leaves a gap).
std::optional<double> heightFor(const stored::Level& level, const ChartLimits& limits,
                                int plotHeight);

/// The i-th level label (i = 0 to 8): a blank before non-negative numbers, only the
/// decimals needed, ".0" when there are none (" 70.0", " 78.75").
QString levelLabelText(double value);
double levelLabelValue(const ChartLimits& limits, int i);

/// What the sweep draws at a cursor position besides the reading.
enum class SweepMark { None, Time, Quarter };

/// The sweep across the plot: reading k (from 0 after a redraw) is drawn at k x step,
/// computed from the count so positions never drift. Past the right edge plus 2 pixels
/// it starts again at 0.
class Sweep {
public:
    Sweep() = default;
    Sweep(int plotWidth, double stepX) : m_plotWidth(plotWidth), m_step(stepX) {}

    /// Moves to the next reading and returns its x, relative to the plot's left edge.
    double advance();
    double cursorX() const { return xAt(m_index); }
    bool started() const { return m_index >= 0; }
    /// The time mark at the left edge and the middle, the quarter ticks at 1/4 and 3/4:
    /// at the reading that reaches or first passes the mark.
    SweepMark markHere() const;

private:
    double xAt(long long index) const { return static_cast<double>(index) * m_step; }
    bool reaches(double mark) const;

    int m_plotWidth = 0;
    double m_step = 1.0;
    long long m_index = -1;
};

/// The "Limit" panel's boxes checked in order: the levels, then the count. A bad level
/// range changes nothing; with good levels and a bad count the levels are kept (`limits`
/// holds them, without a count) and the count message is shown.
struct LimitsVerdict {
    QString message; ///< empty when the limits are good
    ChartLimits limits;
    bool levelsOk = false;
};
LimitsVerdict checkLimits(const QString& maxText, const QString& minText,
                          const QString& countsText);

inline const QString kLevelLimitsMessage = QStringLiteral("70 <= dBA <= 140, try again!");
inline const QString kCountLimitsMessage = QStringLiteral("10 <= Counts <= 864000, try again!");

} // namespace nd::realtime
