#pragma once

#include "Engine.h"
#include "Measurement.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTemporaryDir;

class QSqlDatabase;

namespace nd::archive {

/// The version of the archive's tables this program writes. Older archives are brought
/// forward when opened; newer ones are refused and left as they are.
inline constexpr int kSchemaVersion = 2;

/// The default archive: archive.sqlite in the program's data folder (the same file for
/// the window and the command-line tool).
QString defaultArchivePath();

/// Which measurements to list. Empty texts and unset values do not filter.
struct Filter {
    QString worker; ///< exact, case aside
    QString task;
    QString location;
    QString search; ///< a part of the worker, task, location or notes
    std::optional<Kind> kind;
    QString meterId;
    std::optional<QDate> since; ///< first sample on or after this day
    std::optional<QDate> until; ///< first sample on or before this day
};

/// What adding a measurement did.
struct Added {
    qint64 id = 0;      ///< the new measurement, or the one already holding the same data
    bool added = false; ///< false when it was already in the archive, or on an error
    QString error;      ///< empty unless it failed

    bool ok() const { return error.isEmpty(); }
    /// "added as 12" or "already in the archive as 12".
    QString text() const;
};

/// One archive connection, used from one thread (open another one for a worker thread).
/// Every measurement is written in one transaction: a killed program leaves it whole or
/// absent.
class Archive {
public:
    Archive();
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    /// Opens (and on first use creates) the archive at a path or a postgresql:// URI. An
    /// older archive is migrated; a newer one, a file that is no archive or a foreign
    /// database is refused untouched. A file that cannot be written opens read-only, as
    /// does any archive with `readOnly`. The reason is in error() when it fails.
    bool open(const QString& pathOrUri, bool readOnly = false);
    void close();
    bool isOpen() const;
    bool isReadOnly() const { return m_readOnly; }
    const Location& location() const { return m_location; }
    QString error() const { return m_error; }
    /// The schema version found on open, before any migration.
    int versionFound() const { return m_versionFound; }

    Added add(const Content& content);
    /// Newest first (first sample, then when archived).
    std::vector<Measurement> list(const Filter& filter = {});
    std::optional<Measurement> find(qint64 id);
    std::optional<Content> load(qint64 id);
    /// True when the last find() or load() failed because no measurement has that number
    /// (rather than on a database error).
    bool notFound() const { return m_notFound; }
    bool setTags(qint64 id, const Tags& tags);
    bool remove(qint64 id);
    /// The distinct values of "worker", "task", "location" or "meter_id", for completion.
    QStringList values(const QString& column);

private:
    bool fail(const QString& why);
    bool prepareSchema();
    bool migrate(int from);
    /// Ends the transaction; a commit the database refuses is rolled back and said.
    bool commitOrRollBack(QSqlDatabase& db);
    bool browseMigratedCopy();
    std::optional<qint64> idOfHash(const QString& hash);

    QString m_name;
    Engine m_engine;
    Location m_location;
    QString m_error;
    bool m_notFound = false;
    bool m_readOnly = false;
    int m_versionFound = 0;
    /// Where an older archive that cannot be written is browsed from, migrated.
    std::unique_ptr<QTemporaryDir> m_copy;
};

/// Creates the tables of an older schema version, for the migration test and nothing else.
bool createSchemaVersion(QSqlDatabase& db, const Engine& engine, int version);

} // namespace nd::archive
