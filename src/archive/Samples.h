#pragma once

#include "stored/LevelList.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace nd::archive {

/// The samples of a measurement packed into one compressed blob: each row's number, date,
/// time and value, kept exactly (a row that is not in the usual form keeps its texts).
/// Consecutive rows are stored as small differences, so a day of 1-s samples takes a few
/// hundred kilobytes before compression and far less after.
QByteArray packRows(const std::vector<stored::LevelRow>& rows);
/// The rows back, or nothing when the blob is damaged.
std::optional<std::vector<stored::LevelRow>> unpackRows(const QByteArray& blob);

} // namespace nd::archive
