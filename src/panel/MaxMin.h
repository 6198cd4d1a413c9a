#pragma once

#include <QString>

namespace nd::panel {

/// The PC-side maximum and minimum captions (LblMax, LblMin).
struct MaxMin {
    QString LblMax;
    QString LblMin;

    bool operator==(const MaxMin&) const = default;
};

/// Folds one new dBA reading (the LblValue caption) into the maximum and minimum.
/// The first reading sets both; "OL" sticks in the maximum and "----" in the minimum
/// until a reset; levels are compared as numbers.
MaxMin UpdateMaxMin(const MaxMin& current, const QString& value);

} // namespace nd::panel
