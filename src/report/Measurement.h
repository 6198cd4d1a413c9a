#pragma once

#include "stored/LevelList.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace nd::archive {
class Archive;
}

namespace nd::report {

/// The meter's settings in force during a measurement, where the source knows them.
struct MeterSettings {
    std::optional<double> criterion;
    std::optional<double> exchange;
    std::optional<double> threshold;
    QString weighting; ///< "Fast", "Slow"; empty when unknown
};

/// One measurement as the reports take it: the levels and what is known about them. Plain
/// values, so a .dat file, a download or a stored measurement can fill it alike.
struct Measurement {
    stored::LevelList list;
    QString worker;
    QString task;
    QString location;
    QString notes;
    QString meterId; ///< empty when the source does not know it
    MeterSettings settings;
    QString source; ///< the source file's name
    /// SHA-256 in hex: of the source's bytes, or for an archive measurement the archive's
    /// hash of its content (kind, samples and fields)
    QString contentHash;
    qint64 archiveId = 0; ///< the measurement's number in the archive; 0 for a file
    std::optional<double> calibrationBefore; ///< the calibrator's reading in dB
    std::optional<double> calibrationAfter;
    /// A dose event bank's own figures (label, value), printed as they are.
    QList<std::pair<QString, QString>> bankFields;
};

/// SHA-256 of the bytes, in lower-case hex.
QString contentHash(const QByteArray& bytes);

/// A measurement, or why it could not be had (never both).
struct MeasurementLoad {
    std::optional<Measurement> measurement;
    QString error;
};

/// A .dat file as a measurement: its rows and notes, its name and its hash.
MeasurementLoad loadDataFile(const QString& path);

/// True for a reference that names a stored measurement by its number ("17", "#17").
bool isArchiveReference(const QString& reference);
/// The number a reference names, or 0 when it names none.
qint64 archiveNumber(const QString& reference);

/// Measurement `id` of the archive with its tags, meter ID and settings, source and content
/// hash, calibration check and, for a bank, the bank's fields. "measurement N: not in the
/// archive" when there is no such number; `archiveMissing` then says so apart from a failing
/// archive.
MeasurementLoad loadArchived(archive::Archive& archive, qint64 id, bool* archiveMissing = nullptr);

/// The measurement a reference names: a .dat path (relative ones from `baseDir`) or a
/// number, which names a measurement in `archive` (refused when none is given). This is
/// the one place that tells the two apart.
MeasurementLoad loadMeasurement(const QString& reference, const QString& baseDir = {},
                                archive::Archive* archive = nullptr);

} // namespace nd::report
