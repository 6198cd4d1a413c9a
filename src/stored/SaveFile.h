#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace nd::stored {

/// The one way the program writes a whole file: through QSaveFile, so the old file stays
/// whole unless every byte reached the disk. Returns the reason on failure ("No space
/// left on device"), or nothing once the new file is in place.
std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes);

} // namespace nd::stored
