#pragma once

#include <QString>

#include <optional>

namespace nd::panel {

inline constexpr int kLastCellAddress = 65535;
inline constexpr int kLastCellData = 255;

/// The number typed in a cell box: empty reads as 0; nothing when it is above `maximum`
/// or not a whole number.
std::optional<int> CellNumber(const QString& text, int maximum);

} // namespace nd::panel
