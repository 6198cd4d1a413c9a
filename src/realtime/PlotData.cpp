#include "PlotData.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nd::realtime {

double plotLevel(const stored::Level& level) {
    switch (level.kind) {
    case stored::LevelKind::OverRange:
        return kPlotTop;
    case stored::LevelKind::UnderRange:
        return kBlankPlotLevel;
    case stored::LevelKind::Level:
        return std::min(level.dB, kPlotTop);
    case stored::LevelKind::NotLevel:
    case stored::LevelKind::Missing:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::vector<double> plotLevels(const stored::LevelList& list) {
    std::vector<double> values;
    values.reserve(list.rows.size());
    for (const stored::LevelRow& row : list.rows)
        values.push_back(plotLevel(row.level));
    return values;
}

AxisRange resetXRange(std::size_t points) {
    if (points < 2)
        return {1.0, 2.0};
    return {1.0, static_cast<double>(points)};
}

std::vector<QPointF> visibleSlice(const std::vector<double>& values, AxisRange x, int columns) {
    std::vector<QPointF> out;
    const auto n = static_cast<long long>(values.size());
    if (n == 0 || !x.valid())
        return out;
    // Indexes (from 0) of the points at x from just before min to just after max.
    const long long first = std::clamp(static_cast<long long>(std::floor(x.min)) - 2, 0LL, n - 1);
    const long long last = std::clamp(static_cast<long long>(std::ceil(x.max)), 0LL, n - 1);
    const long long count = last - first + 1;
    columns = std::max(columns, 1);
    auto add = [&out, &values](long long i) {
        if (!std::isnan(values[static_cast<std::size_t>(i)]))
            out.emplace_back(static_cast<double>(i + 1), values[static_cast<std::size_t>(i)]);
    };
    if (count <= 2LL * columns) {
        out.reserve(static_cast<std::size_t>(count));
        for (long long i = first; i <= last; ++i)
            add(i);
        return out;
    }
    out.reserve(static_cast<std::size_t>(2 * columns + 2));
    const double perColumn = static_cast<double>(count) / columns;
    for (int c = 0; c < columns; ++c) {
        const long long from = first + static_cast<long long>(std::floor(c * perColumn));
        const long long to =
            std::min(last, first + static_cast<long long>(std::floor((c + 1) * perColumn)) - 1);
        long long low = -1;
        long long high = -1;
        for (long long i = from; i <= to; ++i) {
            const double v = values[static_cast<std::size_t>(i)];
            if (std::isnan(v))
                continue;
            if (low < 0 || v < values[static_cast<std::size_t>(low)])
                low = i;
            if (high < 0 || v > values[static_cast<std::size_t>(high)])
                high = i;
        }
        if (low < 0)
            continue;
        add(std::min(low, high));
        if (low != high)
            add(std::max(low, high));
    }
    return out;
}

const std::array<TrackModeInfo, 8>& trackModes() {
    static const std::array<TrackModeInfo, 8> modes = {{
        {TrackMode::Normal, QStringLiteral("Normal"), QStringLiteral("Normal mode"), false, false,
         false, false, false},
        {TrackMode::Cursor, QStringLiteral("Cursor Coordinates"),
         QStringLiteral("Drag the cursor with your mouse to get X (Count) and Y (dB) position."),
         false, false, false, false, true},
        {TrackMode::PanXY, QStringLiteral("PanXY"),
         QStringLiteral("Click anywhere on the plot area and drag to pan the graph both "
                        "horizontally and vertically."),
         true, true, false, false, false},
        {TrackMode::PanX, QStringLiteral("PanX"),
         QStringLiteral("Click anywhere on the plot area and drag to pan the graph horizontally."),
         true, false, false, false, false},
        {TrackMode::PanY, QStringLiteral("PanY"),
         QStringLiteral("Click anywhere on the plot area and drag to pan the graph vertically."),
         false, true, false, false, false},
        {TrackMode::ZoomXY, QStringLiteral("ZoomXY"),
         QStringLiteral("Select a region on the graph to zoom both horizontally and vertically."),
         false, false, true, true, false},
        {TrackMode::ZoomX, QStringLiteral("ZoomX"),
         QStringLiteral("Select a region on the graph to zoom horizontally."), false, false, true,
         false, false},
        {TrackMode::ZoomY, QStringLiteral("ZoomY"),
         QStringLiteral("Select a region on the graph to zoom vertically."), false, false, false,
         true, false},
    }};
    return modes;
}

} // namespace nd::realtime
