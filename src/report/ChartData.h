#pragma once

#include "stored/Exposure.h"
#include "stored/LevelList.h"

#include <optional>
#include <vector>

namespace nd::report {

/// One minute of a measurement (or one sample, where samples are a minute or more apart).
struct MinuteBin {
    double from = 0.0; ///< seconds since the first sample
    double to = 0.0;
    double laeq = 0.0;
    double lmin = 0.0;
    double lmax = 0.0;
};

/// What the report's charts draw: the level per minute with its range, the dose as it
/// grew, over the measurement's time from its first stamped sample.
struct ChartSeries {
    std::optional<stored::StampTenths> start;
    double span = 0.0; ///< seconds from the first sample to the end of the last
    std::vector<MinuteBin> minutes;
    std::vector<std::pair<double, double>> dose; ///< (seconds, percent), ending at e's dose
};

/// The series of a list under the exposure's standard. The dose curve weighs samples as
/// computeExposure does and ends at `e.dosePercent`.
ChartSeries chartSeries(const stored::LevelList& list, const stored::Exposure& e);

} // namespace nd::report
