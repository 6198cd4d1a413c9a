#include "Measurement.h"

#include "stored/DataFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace nd::report {

QString contentHash(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

MeasurementLoad loadDataFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("%1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    stored::DataFileRead read = stored::readDataFile(bytes);
    if (!read.ok())
        return {std::nullopt, QStringLiteral("%1: %2").arg(path, read.error.text())};
    Measurement m;
    m.list = std::move(read.content->list);
    m.source = QFileInfo(path).fileName();
    m.contentHash = contentHash(bytes);
    return {std::move(m), {}};
}

bool isArchiveReference(const QString& reference) {
    static const QRegularExpression archiveId(QStringLiteral("^\\s*#?\\d+\\s*$"));
    return archiveId.match(reference).hasMatch();
}

MeasurementLoad loadMeasurement(const QString& reference, const QString& baseDir) {
    if (isArchiveReference(reference))
        return {std::nullopt,
                QStringLiteral("measurement %1: the archive is not available in this version; "
                               "give the measurement as a .dat file")
                    .arg(reference.trimmed())};
    const QString path = QFileInfo(reference).isRelative() && !baseDir.isEmpty()
                             ? QDir(baseDir).filePath(reference)
                             : reference;
    if (!QFileInfo::exists(path))
        return {std::nullopt, QStringLiteral("measurement %1: no such file").arg(reference)};
    return loadDataFile(path);
}

} // namespace nd::report
