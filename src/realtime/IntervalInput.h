#pragma once

#include <QString>

#include <optional>

namespace nd::realtime {

/// An averaging interval as the Average window keeps it.
struct AverageInterval {
    QString text = QStringLiteral("00:00:10"); ///< "hh:mm:ss"
    int seconds = 10;
};

inline const QString kInvalidIntervalMessage = QStringLiteral("Invalid, try again!\r\n");

/// The interval typed as "h:m:s" (one or two digits each; "h:s" with one colon leaves the
/// minutes at 0). Nothing for anything else: letters, signs, empty fields, hours from 24,
/// minutes or seconds from 60, and a zero interval are refused rather than wrapped.
std::optional<AverageInterval> parseIntervalAnswer(const QString& answer);

/// "hh:mm:ss" of a number of seconds; hours run on past 23 ("25:00:00").
QString clockText(long long seconds);

} // namespace nd::realtime
