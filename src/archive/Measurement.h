#pragma once

#include "events/BankFile.h"
#include "realtime/AverageFile.h"
#include "stored/LevelList.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace nd::archive {

/// What a measurement came from.
enum class Kind { Logged, Recording, Bank, Average };

/// "logged", "recording", "bank", "average": the words of the command line and the table.
QString kindKey(Kind kind);
std::optional<Kind> kindFromKey(const QString& key);

/// The user's entries about a measurement. The calibrator's readings are optional.
struct Tags {
    QString worker;
    QString task;
    QString location;
    QString notes;
    std::optional<double> calBefore; ///< dB read from the calibrator before the measurement
    std::optional<double> calAfter;  ///< and after it
    bool operator==(const Tags&) const = default;
};

/// One measurement as the archive lists it, without its samples.
struct Measurement {
    qint64 id = 0;
    Kind kind = Kind::Logged;
    QString meterId;
    std::optional<double> criterion;
    std::optional<double> threshold;
    std::optional<double> exchange;
    QString weighting;
    std::optional<stored::StampTenths> start; ///< first sample
    std::optional<stored::StampTenths> end;   ///< last sample
    std::optional<int> intervalTenths;
    int samples = 0;
    QString source; ///< the file's name, or what it was read from
    QString hash;
    QDateTime archivedAt; ///< UTC
    Tags tags;
};

/// A named text of a measurement: a bank's decoded rows, an average's header, the notes of
/// a level list.
struct Field {
    QString section; ///< "E1" ... "E5", "box", "header", "note"
    int position = 0;
    QString name;
    QString value;
    bool operator==(const Field&) const = default;
};

/// A whole measurement: what goes into the archive and what comes out.
struct Content {
    Measurement info;
    std::vector<stored::LevelRow> rows; ///< the samples (an average's intervals)
    std::vector<Field> fields;
};

/// From what the readers and the meter give. The hash and times are filled in here.
Content fromLevelList(Kind kind, const stored::LevelList& list, const QString& source);
Content fromBankTable(const events::BankTable& table, const QString& source);
Content fromAverageFile(const realtime::AverageFile& file, const QString& source);

/// And back, for the windows and exports: the same rows and texts the file held.
stored::LevelList levelList(const Content& content);
events::BankTable bankTable(const Content& content);
realtime::AverageFile averageFile(const Content& content);

/// The content hash over the kind, the samples and the fields (not the user's entries and
/// not the source name), so the same data read twice hashes the same.
QString contentHash(const Content& content);

/// "2009-03-16 10:00:00.0", the form of start and end on the command line.
QString stampText(std::optional<stored::StampTenths> stamp);

/// Reads one .dat, .bnk or .avg file through its reader; the error text when it is none.
struct FileContent {
    std::optional<Content> content;
    QString error;
};
FileContent readMeasurementFile(const QString& path);

} // namespace nd::archive
