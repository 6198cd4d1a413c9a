#include "stored/SaveFile.h"

#include <QSaveFile>

#include <cerrno>

namespace nd::stored {

namespace {

/// Writes everything, going on after a short write so that a full disk ends in a failed
/// write with errno set rather than a silent short count.
bool writeAll(QSaveFile& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

std::optional<QString> saveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // QSaveFile buffers: a full disk may show only at flush(), and commit() in Qt 6.4
    // renames over the old file even then, so every check comes before it.
    errno = 0;
    if (!writeAll(file, bytes) || !file.flush() || file.error() != QFileDevice::NoError) {
        const int code = errno;
        // Qt leaves the reason as "Unknown error" here; the system's own words are clearer.
        const QString why = code != 0 ? qt_error_string(code) : file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace nd::stored
