#include "ChartData.h"

#include <algorithm>
#include <cmath>

namespace nd::report {

ChartSeries chartSeries(const stored::LevelList& list, const stored::Exposure& e) {
    ChartSeries s;
    struct Point {
        double t;
        double dB;
    };
    std::vector<Point> points;
    for (const stored::LevelRow& row : list.rows) {
        if (!row.level.isSound() || !row.stamp)
            continue;
        if (!s.start)
            s.start = row.stamp;
        const double t = static_cast<double>(*row.stamp - *s.start) / 10.0;
        if (!points.empty() && t < points.back().t)
            continue; // out of order: left out of the drawing
        points.push_back({t, row.level.dB});
    }
    if (points.empty())
        return s;

    std::vector<double> spacings;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        if (points[i + 1].t > points[i].t)
            spacings.push_back(points[i + 1].t - points[i].t);
    }
    double typical = 1.0;
    if (!spacings.empty()) {
        auto mid = spacings.begin() + static_cast<std::ptrdiff_t>(spacings.size() / 2);
        std::nth_element(spacings.begin(), mid, spacings.end());
        typical = *mid;
    }
    const auto weight = [&](std::size_t i) {
        if (i + 1 >= points.size())
            return typical;
        const double gap = points[i + 1].t - points[i].t;
        return gap <= 0.0 || gap > stored::kGapFactor * typical ? typical : gap;
    };

    const double width = std::max(60.0, typical);
    const stored::Standard& st = e.standard;
    double dose = 0.0;
    s.dose.push_back({0.0, 0.0});
    std::size_t i = 0;
    while (i < points.size()) {
        const double binStart = std::floor(points[i].t / width) * width;
        MinuteBin bin{binStart, binStart + width, 0.0, points[i].dB, points[i].dB};
        double energy = 0.0;
        double time = 0.0;
        for (; i < points.size() && points[i].t < bin.to; ++i) {
            const double w = weight(i);
            energy += w * std::pow(10.0, points[i].dB / 10.0);
            time += w;
            bin.lmin = std::min(bin.lmin, points[i].dB);
            bin.lmax = std::max(bin.lmax, points[i].dB);
            if (!st.threshold || points[i].dB >= *st.threshold)
                dose += w / stored::kEightHours *
                        std::pow(2.0, (points[i].dB - st.criterion) / st.exchange);
        }
        bin.laeq = 10.0 * std::log10(energy / time);
        s.minutes.push_back(bin);
        s.dose.push_back({std::min(bin.to, points[i - 1].t + weight(i - 1)), 100.0 * dose});
    }
    s.span = points.back().t + weight(points.size() - 1);
    // The curve's shape is the samples'; its end is the figure the report prints.
    if (e.timed && dose > 0.0) {
        const double scale = e.dosePercent / (100.0 * dose);
        for (auto& point : s.dose)
            point.second *= scale;
    }
    return s;
}

} // namespace nd::report
