#include "MaxMin.h"

#include <optional>

namespace nd::panel {

namespace {

const QString kOverload = QStringLiteral("OL");
const QString kBlank = QStringLiteral("----");

std::optional<double> level(const QString& text) {
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

// Neither caption is replaced by something that is not a level it can be compared with.
bool greater(const QString& a, const QString& b) {
    const auto x = level(a);
    const auto y = level(b);
    return x && y && *x > *y;
}

QString newMaximum(const QString& max, const QString& value) {
    if (max == kOverload)
        return max;
    return max == kBlank || greater(value, max) ? value : max;
}

QString newMinimum(const QString& min, const QString& value) {
    if (min == kBlank)
        return min;
    return min == kOverload || greater(min, value) ? value : min;
}

} // namespace

MaxMin UpdateMaxMin(const MaxMin& current, const QString& value) {
    if (current.LblMax.isEmpty())
        return {value, value};
    if (value.contains(QLatin1Char('L')))
        return {kOverload, current.LblMin};
    if (value.contains(QLatin1Char('-')))
        return {current.LblMax, kBlank};
    return {newMaximum(current.LblMax, value), newMinimum(current.LblMin, value)};
}

} // namespace nd::panel
