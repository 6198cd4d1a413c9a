#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace nd::setup {

/// What a setup transfer is asked to change. An item left empty is not touched: no key
/// is pressed for it (the walk still passes it with CLOCK when a later item is asked).
struct SetupRequest {
    std::optional<int> CriterionLevel; ///< 80, 84, 85 or 90 dB
    std::optional<int> ThresholdLevel; ///< 70 dB or more; the walk caps it at the criterion level
    std::optional<int> ExchangeRate;   ///< 3 to 6 dB
    std::optional<QDateTime> Clock;    ///< year 2000 to 2100, to the minute
    std::optional<bool> FastResponse;
    /// When set with Clock, each clock item is walked to this clock as it reads at the
    /// moment the item is walked (the PC clock), not to the fixed Clock.
    std::function<QDateTime()> PcClock;
    /// A country load from the standards table: the walk always goes on to the exchange
    /// rate (128, [2...], 8, 8, [2...], 4) and ends with RESET, no MODE presses after it.
    bool FromStandardsTable = false;

    bool empty() const {
        return !CriterionLevel && !ThresholdLevel && !ExchangeRate && !Clock && !FastResponse;
    }
};

/// The fields of a setup form as typed. Texts are checked by ValidateSetup; an empty
/// text means "not asked" only where the form allows it (see allowEmpty).
struct SetupFields {
    std::optional<int> CriterionLevel;
    std::optional<int> ExchangeRate;
    std::optional<bool> FastResponse;
    QString Threshold;
    QString Year, Month, Day, Hour, Minute;
    /// The clock texts still follow the PC clock (nobody edited them): the walk takes
    /// each clock item from `PcClock` at the moment it walks it.
    std::function<QDateTime()> PcClock;
    /// Empty threshold and clock texts leave those items alone instead of being refused.
    bool allowEmpty = false;
};

struct Validation {
    std::optional<SetupRequest> request;
    QString error; ///< why nothing may be sent, when request is empty
    /// The threshold was above the criterion level and now equals it.
    bool thresholdCapped = false;
    /// The threshold as typed, before any cap.
    std::optional<int> thresholdTyped;
};

/// Checks every field before anything is sent. A threshold above the criterion level (the
/// one asked for, else `meterCriterion`, the last the meter reported, 0 if none) is replaced
/// by that level, whatever its size; with no level known the transfer caps it.
Validation ValidateSetup(const SetupFields& fields, int meterCriterion);

/// The caps and ranges the meter accepts.
inline constexpr int kLowestThreshold = 70;
inline constexpr int kHighestThreshold = 90;
inline constexpr int kFirstYear = 2000;
inline constexpr int kLastYear = 2100;

bool IsCriterionLevel(int dB);
bool IsExchangeRate(int dB);

} // namespace nd::setup
