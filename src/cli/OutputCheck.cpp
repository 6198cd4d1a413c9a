#include "OutputCheck.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryFile>

namespace nd::cli {

std::optional<QString> cannotWrite(const QString& path) {
    // The same kind of file the save will use: a temporary beside the target, which is
    // thrown away here.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.cancelWriting();
    return std::nullopt;
}

std::optional<QString> cannotWriteInto(const QString& folder) {
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder could not be made");
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".noisedesk-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    return std::nullopt;
}

} // namespace nd::cli
