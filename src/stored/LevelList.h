#pragma once

#include "Reading.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace nd::stored {

/// The four columns shared by every level list: the Memory record grid, the live list,
/// the saved-file list, the recording file.
inline const QStringList kLevelListHeader = {QStringLiteral("No.s"), QStringLiteral("Date"),
                                             QStringLiteral("Time"), QStringLiteral("dBA")};

/// Tenths of a second since the start of the Julian day count: one number per date and
/// time, without a time zone, so durations never see a daylight-saving jump.
using StampTenths = std::int64_t;
inline constexpr StampTenths kTenthsPerDay = 864'000;

/// "yyyy/mm/dd" and "hh:mm:ss.t" (the tenths may be left out) as one stamp; nothing when
/// either text is not a real date or time.
std::optional<StampTenths> parseStamp(QStringView date, QStringView time);
/// The date and time texts of a stamp, in the same forms.
QString stampDateText(StampTenths stamp);
QString stampTimeText(StampTenths stamp);
/// The stamp as a date and time in UTC (no local zone involved).
QDateTime stampDateTime(StampTenths stamp);
/// The stamp of a date and a time of day in tenths.
StampTenths makeStamp(const QDate& date, std::int64_t tenthsOfDay);

/// One row of a level list, as shown and saved: the texts exactly, plus what they mean.
struct LevelRow {
    QString number;
    QString date; ///< "yyyy/mm/dd"
    QString time; ///< "hh:mm:ss.t"
    QString value;
    Level level;                      ///< parseLevel(value)
    std::optional<StampTenths> stamp; ///< from date and time; empty when they are not one

    QStringList cells() const { return {number, date, time, value}; }
};

/// A row from its texts, with its level and stamp parsed.
LevelRow makeRow(QString number, QString date, QString time, QString value);

/// A list of levels with the three notes that travel with it in files and printouts.
struct LevelList {
    std::vector<LevelRow> rows;
    std::array<QString, 3> notes;
};

/// Seconds from the first to the last stamped row; 0 with fewer than two stamps.
/// The first and the last time stamp of the rows in their order, if any row has one.
std::optional<std::pair<StampTenths, StampTenths>> stampRange(const LevelList& list);
double spanSeconds(const LevelList& list);

} // namespace nd::stored
