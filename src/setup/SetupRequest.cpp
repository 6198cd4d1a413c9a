#include "SetupRequest.h"

#include <algorithm>

namespace nd::setup {

namespace {
/// A whole number within [low, high], the text trimmed; nothing for anything else.
std::optional<int> wholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QString range(const QString& what, int low, int high) {
    return QStringLiteral("%1 must be a number from %2 to %3.").arg(what).arg(low).arg(high);
}
} // namespace

bool IsCriterionLevel(int dB) {
    return dB == 80 || dB == 84 || dB == 85 || dB == 90;
}

bool IsExchangeRate(int dB) {
    return dB >= 3 && dB <= 6;
}

Validation ValidateSetup(const SetupFields& f, int meterCriterion) {
    Validation v;
    SetupRequest r;
    if (f.CriterionLevel && !IsCriterionLevel(*f.CriterionLevel)) {
        v.error = QStringLiteral("The criterion level must be 80, 84, 85 or 90.");
        return v;
    }
    if (f.ExchangeRate && !IsExchangeRate(*f.ExchangeRate)) {
        v.error = range(QStringLiteral("The exchange rate"), 3, 6);
        return v;
    }
    r.CriterionLevel = f.CriterionLevel;
    r.ExchangeRate = f.ExchangeRate;
    r.FastResponse = f.FastResponse;

    if (!(f.allowEmpty && f.Threshold.trimmed().isEmpty())) {
        // Above the criterion level is not refused: the criterion level replaces it.
        const auto threshold = wholeNumber(f.Threshold, kLowestThreshold, 999);
        if (!threshold) {
            v.error =
                range(QStringLiteral("The threshold level"), kLowestThreshold, kHighestThreshold);
            return v;
        }
        const int criterion = f.CriterionLevel.value_or(meterCriterion);
        r.ThresholdLevel = *threshold;
        v.thresholdTyped = *threshold;
        if (criterion > 0 && *threshold > criterion) {
            r.ThresholdLevel = std::max(criterion, kLowestThreshold);
            v.thresholdCapped = true;
        }
    }

    const bool clockEmpty = f.Year.trimmed().isEmpty() && f.Month.trimmed().isEmpty() &&
                            f.Day.trimmed().isEmpty() && f.Hour.trimmed().isEmpty() &&
                            f.Minute.trimmed().isEmpty();
    if (!(f.allowEmpty && clockEmpty)) {
        const auto year = wholeNumber(f.Year, kFirstYear, kLastYear);
        const auto month = wholeNumber(f.Month, 1, 12);
        const auto hour = wholeNumber(f.Hour, 0, 23);
        const auto minute = wholeNumber(f.Minute, 0, 59);
        if (!year) {
            v.error = range(QStringLiteral("The year"), kFirstYear, kLastYear);
            return v;
        }
        if (!month) {
            v.error = range(QStringLiteral("The month"), 1, 12);
            return v;
        }
        const int lastDay = QDate(*year, *month, 1).daysInMonth();
        const auto day = wholeNumber(f.Day, 1, lastDay);
        if (!day) {
            v.error = QStringLiteral("The date must be a number from 1 to %1 (month %2 of %3 "
                                     "has %1 days).")
                          .arg(lastDay)
                          .arg(*month)
                          .arg(*year);
            return v;
        }
        if (!hour) {
            v.error = range(QStringLiteral("The hour"), 0, 23);
            return v;
        }
        if (!minute) {
            v.error = range(QStringLiteral("The minutes"), 0, 59);
            return v;
        }
        r.Clock = QDateTime(QDate(*year, *month, *day), QTime(*hour, *minute));
        r.PcClock = f.PcClock;
    }
    v.request = r;
    return v;
}

} // namespace nd::setup
