#include "Measurement.h"

#include "archive/Archive.h"
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

qint64 archiveNumber(const QString& reference) {
    if (!isArchiveReference(reference))
        return 0;
    QString digits = reference.trimmed();
    if (digits.startsWith(QLatin1Char('#')))
        digits.remove(0, 1);
    return digits.toLongLong();
}

MeasurementLoad loadArchived(archive::Archive& archive, qint64 id, bool* archiveMissing) {
    if (archiveMissing)
        *archiveMissing = false;
    const std::optional<archive::Content> c = archive.load(id);
    if (!c) {
        if (archive.notFound())
            return {std::nullopt, QStringLiteral("measurement %1: not in the archive").arg(id)};
        if (archiveMissing)
            *archiveMissing = true;
        return {std::nullopt, QStringLiteral("measurement %1: %2").arg(id).arg(archive.error())};
    }
    const archive::Measurement& info = c->info;
    Measurement m;
    m.list = archive::levelList(*c);
    m.worker = info.tags.worker;
    m.task = info.tags.task;
    m.location = info.tags.location;
    m.notes = info.tags.notes;
    m.meterId = info.meterId;
    m.settings = {info.criterion, info.exchange, info.threshold, info.weighting};
    m.source = info.source;
    m.contentHash = info.hash;
    m.archiveId = info.id;
    m.calibrationBefore = info.tags.calBefore;
    m.calibrationAfter = info.tags.calAfter;
    if (info.kind == archive::Kind::Bank) {
        for (const archive::Field& f : c->fields) {
            // The banks' cells by bank and row; the box's name, address and company.
            if (!f.value.trimmed().isEmpty())
                m.bankFields.append({f.section.startsWith(QLatin1Char('E'))
                                         ? QStringLiteral("%1 %2").arg(f.section, f.name)
                                         : f.name,
                                     f.value.trimmed()});
        }
    }
    return {std::move(m), {}};
}

MeasurementLoad loadMeasurement(const QString& reference, const QString& baseDir,
                                archive::Archive* archive) {
    if (const qint64 id = archiveNumber(reference)) {
        if (!archive)
            return {std::nullopt,
                    QStringLiteral("measurement %1: no archive is open").arg(reference.trimmed())};
        return loadArchived(*archive, id);
    }
    const QString path = QFileInfo(reference).isRelative() && !baseDir.isEmpty()
                             ? QDir(baseDir).filePath(reference)
                             : reference;
    if (!QFileInfo::exists(path))
        return {std::nullopt, QStringLiteral("measurement %1: no such file").arg(reference)};
    return loadDataFile(path);
}

} // namespace nd::report
