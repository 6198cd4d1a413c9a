#pragma once

#include "SetupRequest.h"

#include <QString>
#include <QStringList>

#include <array>

namespace nd::setup {

/// One country's occupational noise exposure rule, every cell as text ("-": no value).
struct NoiseStandard {
    const char* Country;
    const char* CriterionLevel;
    const char* ExposureTime;
    const char* ExchangeRate;
    const char* MaxSpl;
    const char* PeakSpl;
    const char* AllowablePerDay;
};

inline constexpr int kStandardCount = 14;

/// The fourteen countries, in the table's order.
const std::array<NoiseStandard, kStandardCount>& Standards();
/// "Country", "Criterion level dBA", ... "Allowable/per day".
QStringList StandardHeadings();
/// A row's seven cells, in the headings' order.
QStringList StandardCells(const NoiseStandard& standard);

/// The country by name, ignoring case, points and blanks ("uk", "U.K", "usa"); null if none.
const NoiseStandard* FindStandard(const QString& country);

/// What loading a country changes: its criterion level, and its exchange rate when the
/// rule has one. Nothing else in the meter is touched.
SetupRequest StandardRequest(const NoiseStandard& standard);

} // namespace nd::setup
