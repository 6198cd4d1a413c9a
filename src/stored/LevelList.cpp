#include "LevelList.h"

namespace nd::stored {

namespace {

/// The value of `count` decimal digits at `from`, or -1.
int digitsAt(QStringView text, qsizetype from, qsizetype count) {
    if (from + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

std::optional<StampTenths> parseStamp(QStringView date, QStringView time) {
    // Fixed columns, checked by hand: this runs once per row of 86,400-row files.
    if (date.size() != 10 || date[4] != u'/' || date[7] != u'/')
        return std::nullopt;
    const int year = digitsAt(date, 0, 4);
    const int month = digitsAt(date, 5, 2);
    const int day = digitsAt(date, 8, 2);
    const QDate d(year, month, day);
    if (year < 0 || month < 0 || day < 0 || !d.isValid())
        return std::nullopt;
    if ((time.size() != 8 && time.size() != 10) || time[2] != u':' || time[5] != u':')
        return std::nullopt;
    const int hour = digitsAt(time, 0, 2);
    const int minute = digitsAt(time, 3, 2);
    const int second = digitsAt(time, 6, 2);
    int tenths = 0;
    if (time.size() == 10) {
        if (time[8] != u'.')
            return std::nullopt;
        tenths = digitsAt(time, 9, 1);
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        tenths < 0)
        return std::nullopt;
    return makeStamp(d, ((hour * 60 + minute) * 60 + second) * 10 + tenths);
}

StampTenths makeStamp(const QDate& date, std::int64_t tenthsOfDay) {
    return date.toJulianDay() * kTenthsPerDay + tenthsOfDay;
}

QString stampDateText(StampTenths stamp) {
    const QDate d = QDate::fromJulianDay(stamp / kTenthsPerDay);
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

QString stampTimeText(StampTenths stamp) {
    const auto t = static_cast<int>(stamp % kTenthsPerDay);
    const int s = t / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 10);
}

QDateTime stampDateTime(StampTenths stamp) {
    const QDate d = QDate::fromJulianDay(stamp / kTenthsPerDay);
    const auto msecs = static_cast<int>(stamp % kTenthsPerDay) * 100;
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(msecs), Qt::UTC);
}

LevelRow makeRow(QString number, QString date, QString time, QString value) {
    LevelRow row;
    row.level = parseLevel(value);
    row.stamp = parseStamp(date, time);
    row.number = std::move(number);
    row.date = std::move(date);
    row.time = std::move(time);
    row.value = std::move(value);
    return row;
}

std::optional<std::pair<StampTenths, StampTenths>> stampRange(const LevelList& list) {
    std::optional<std::pair<StampTenths, StampTenths>> range;
    for (const LevelRow& row : list.rows) {
        if (!row.stamp)
            continue;
        if (!range)
            range = {*row.stamp, *row.stamp};
        range->second = *row.stamp;
    }
    return range;
}

double spanSeconds(const LevelList& list) {
    const auto range = stampRange(list);
    return range ? static_cast<double>(range->second - range->first) / 10.0 : 0.0;
}

} // namespace nd::stored
