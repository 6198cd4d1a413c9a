#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace nd::archive {

/// Where an archive lives: a SQLite file, or a PostgreSQL server named by a libpq
/// connection URI ("postgresql://USER@HOST:PORT/DBNAME", "?host=/socket/dir" for a local
/// socket). A password never comes from here: libpq reads ~/.pgpass or PGPASSWORD.
struct Location {
    bool server = false;
    QString path; ///< the file, for SQLite
    QString user;
    QString host; ///< a name, an address, or a socket folder
    int port = 5432;
    QString database;

    /// The file path or the URI without anything secret, for messages.
    QString display() const;
};

/// Reads a path or a URI; the reason when it is neither.
struct LocationRead {
    std::optional<Location> location;
    QString error;
};
LocationRead parseLocation(const QString& text);

/// Everything that differs between the two engines, in one place. The rest of the
/// archive's SQL is written to run unchanged on both.
struct Engine {
    bool sqlite = true;

    /// Qt's driver: "QSQLITE" or "QPSQL".
    QString driver() const;
    /// The column type of a generated key and of a blob.
    QString keyColumn() const;
    QString blobType() const;
    /// A query giving the names of the tables in the archive's database (or schema).
    QString tablesQuery() const;
    /// Statements run on each connection: SQLite's foreign keys and busy timeout; a
    /// read-only session on the server.
    QStringList sessionStatements(bool readOnly) const;
    /// Statements that change the database for good, run once it is known to be ours:
    /// SQLite's write-ahead log, so a window and a command-line recorder can write at once.
    QStringList archiveStatements() const;
};

/// How long a writer waits for another one before giving up.
inline constexpr int kBusyTimeoutMs = 10000;

} // namespace nd::archive
