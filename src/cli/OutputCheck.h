#pragma once

#include <QString>

#include <optional>

namespace nd::cli {

// Checks made before a long read of the meter, so a file that cannot be written is
// known at once and not after the transfer.

/// Why `path` could not be written (a missing or unwritable folder, a read-only file, a
/// folder in its place); nothing when it can. Leaves no file behind.
std::optional<QString> cannotWrite(const QString& path);
/// Makes the folder when missing; why files could not be written into it, if so.
std::optional<QString> cannotWriteInto(const QString& folder);

} // namespace nd::cli
