#include "IntervalInput.h"

#include <QStringList>

namespace nd::realtime {

namespace {

std::optional<int> field(const QString& text, int below) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 2)
        return std::nullopt;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int value = t.toInt();
    if (value >= below)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<AverageInterval> parseIntervalAnswer(const QString& answer) {
    const QStringList parts = answer.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const auto hours = field(parts.front(), 24);
    const auto minutes = parts.size() == 3 ? field(parts[1], 60) : std::optional<int>(0);
    const auto seconds = field(parts.back(), 60);
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    const int total = (*hours * 60 + *minutes) * 60 + *seconds;
    if (total <= 0)
        return std::nullopt;
    return AverageInterval{clockText(total), total};
}

QString clockText(long long seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace nd::realtime
