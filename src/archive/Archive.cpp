#include "Archive.h"

#include "Samples.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace nd::archive {

namespace {

const QString kFormatName = QStringLiteral("noisedesk-archive");

const QString kColumns = QStringLiteral(
    "id, kind, meter_id, criterion, threshold, exchange_rate, weighting, start_stamp, "
    "end_stamp, interval_tenths, sample_count, source, content_hash, archived_at, worker, "
    "task, location, notes, cal_before, cal_after");

/// A text as a value: never NULL, since the text columns are NOT NULL.
QVariant text(const QString& s) {
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

QVariant orNull(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

QVariant orNullLong(const std::optional<std::int64_t>& v) {
    return v ? QVariant(static_cast<qlonglong>(*v)) : QVariant(QMetaType::fromType<qlonglong>());
}

/// The user's entries, bound in the order the tag columns are named everywhere.
void bindTags(QSqlQuery& q, const Tags& t) {
    q.addBindValue(text(t.worker));
    q.addBindValue(text(t.task));
    q.addBindValue(text(t.location));
    q.addBindValue(text(t.notes));
    q.addBindValue(orNull(t.calBefore));
    q.addBindValue(orNull(t.calAfter));
}

std::optional<double> optionalDouble(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

std::optional<qint64> optionalLong(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<qint64>(v.toLongLong());
}

Measurement measurementOf(const QSqlQuery& q) {
    Measurement m;
    m.id = q.value(0).toLongLong();
    m.kind = kindFromKey(q.value(1).toString()).value_or(Kind::Logged);
    m.meterId = q.value(2).toString();
    m.criterion = optionalDouble(q.value(3));
    m.threshold = optionalDouble(q.value(4));
    m.exchange = optionalDouble(q.value(5));
    m.weighting = q.value(6).toString();
    m.start = optionalLong(q.value(7));
    m.end = optionalLong(q.value(8));
    if (const auto i = optionalLong(q.value(9)))
        m.intervalTenths = static_cast<int>(*i);
    m.samples = q.value(10).toInt();
    m.source = q.value(11).toString();
    m.hash = q.value(12).toString();
    m.archivedAt = QDateTime::fromString(q.value(13).toString(), Qt::ISODateWithMs);
    m.tags.worker = q.value(14).toString();
    m.tags.task = q.value(15).toString();
    m.tags.location = q.value(16).toString();
    m.tags.notes = q.value(17).toString();
    m.tags.calBefore = optionalDouble(q.value(18));
    m.tags.calAfter = optionalDouble(q.value(19));
    return m;
}

/// The statements that bring the tables from `version` to the next one.
QStringList stepFrom(int version) {
    switch (version) {
    case 1:
        // The field calibration check before and after a measurement.
        return {QStringLiteral("ALTER TABLE measurement ADD COLUMN cal_before DOUBLE PRECISION"),
                QStringLiteral("ALTER TABLE measurement ADD COLUMN cal_after DOUBLE PRECISION")};
    default:
        return {};
    }
}

bool run(QSqlDatabase& db, const QStringList& statements, QString& error) {
    for (const QString& s : statements) {
        QSqlQuery q(db);
        if (!q.exec(s)) {
            error = q.lastError().text();
            return false;
        }
    }
    return true;
}

bool setVersion(QSqlDatabase& db, int version, QString& error) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE archive_meta SET value = ? WHERE name = 'schema_version'"));
    q.addBindValue(QString::number(version));
    if (!q.exec()) {
        error = q.lastError().text();
        return false;
    }
    return true;
}

std::atomic<int> g_connections{0};

} // namespace

QString defaultArchivePath() {
    // The window's data folder ("NoiseDesk/noisedesk"), whichever program asks.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("NoiseDesk/noisedesk/archive.sqlite"));
}

QString Added::text() const {
    if (!ok())
        return error;
    return added ? QStringLiteral("added as %1").arg(id)
                 : QStringLiteral("already in the archive as %1").arg(id);
}

bool createSchemaVersion(QSqlDatabase& db, const Engine& engine, int version) {
    const QString text = QStringLiteral("TEXT NOT NULL DEFAULT ''");
    QStringList s{
        QStringLiteral("CREATE TABLE archive_meta (name VARCHAR(64) PRIMARY KEY, "
                       "value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE measurement (id %1, kind VARCHAR(16) NOT NULL, meter_id %2, "
                       "criterion DOUBLE PRECISION, threshold DOUBLE PRECISION, "
                       "exchange_rate DOUBLE PRECISION, weighting %2, start_stamp BIGINT, "
                       "end_stamp BIGINT, interval_tenths BIGINT, sample_count BIGINT NOT NULL, "
                       "source %2, content_hash VARCHAR(64) NOT NULL UNIQUE, "
                       "archived_at VARCHAR(32) NOT NULL, worker %2, task %2, location %2, "
                       "notes %2)")
            .arg(engine.keyColumn(), text),
        QStringLiteral("CREATE TABLE sample_data (measurement_id BIGINT PRIMARY KEY "
                       "REFERENCES measurement(id) ON DELETE CASCADE, data %1 NOT NULL)")
            .arg(engine.blobType()),
        QStringLiteral("CREATE TABLE measurement_field (measurement_id BIGINT NOT NULL "
                       "REFERENCES measurement(id) ON DELETE CASCADE, section VARCHAR(16) NOT "
                       "NULL, seq INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, "
                       "PRIMARY KEY (measurement_id, section, seq))"),
        QStringLiteral("CREATE INDEX measurement_start ON measurement (start_stamp)"),
        QStringLiteral("INSERT INTO archive_meta (name, value) VALUES ('format', '%1')")
            .arg(kFormatName),
        QStringLiteral("INSERT INTO archive_meta (name, value) VALUES ('schema_version', '1')"),
    };
    QString error;
    if (!run(db, s, error))
        return false;
    for (int v = 1; v < version; ++v) {
        if (!run(db, stepFrom(v), error) || !setVersion(db, v + 1, error))
            return false;
    }
    return true;
}

Archive::Archive() : m_name(QStringLiteral("nd-archive-%1").arg(g_connections++)) {}

Archive::~Archive() {
    close();
}

bool Archive::isOpen() const {
    return QSqlDatabase::database(m_name, false).isOpen();
}

void Archive::close() {
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_copy.reset();
}

bool Archive::fail(const QString& why) {
    m_error = why;
    // Closed here, removed by the next open() or close(), when no handle is left.
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::database(m_name, false).close();
    return false;
}

bool Archive::open(const QString& pathOrUri, bool readOnly) {
    close();
    m_error.clear();
    m_readOnly = readOnly;
    const LocationRead read = parseLocation(pathOrUri);
    if (!read.location)
        return fail(read.error);
    m_location = *read.location;
    m_engine.sqlite = !m_location.server;
    if (m_engine.sqlite) {
        const QFileInfo info(m_location.path);
        if (info.isDir())
            return fail(QStringLiteral("%1 is a folder, not an archive").arg(m_location.path));
        if (info.exists()) {
            QFile file(m_location.path);
            if (!file.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("%1: %2").arg(m_location.path, file.errorString()));
            const QByteArray head = file.read(16);
            if (info.size() > 0 && head != QByteArray("SQLite format 3\0", 16))
                return fail(QStringLiteral("%1 is not a NoiseDesk archive (not a database "
                                           "file); it was left as it is")
                                .arg(m_location.path));
            if (!info.isWritable())
                m_readOnly = true;
        } else if (m_readOnly) {
            return fail(QStringLiteral("there is no archive at %1").arg(m_location.path));
        } else if (!QDir().mkpath(info.absolutePath())) {
            return fail(QStringLiteral("could not make the folder %1").arg(info.absolutePath()));
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_engine.driver(), m_name);
        if (!db.isValid())
            return fail(QStringLiteral("Qt's %1 database driver is not installed (Debian: %2)")
                            .arg(m_engine.driver(), m_engine.sqlite
                                                        ? QStringLiteral("libqt6sql6-sqlite")
                                                        : QStringLiteral("libqt6sql6-psql")));
        if (m_engine.sqlite) {
            db.setDatabaseName(m_location.path);
            if (m_readOnly)
                db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        } else {
            db.setHostName(m_location.host);
            db.setPort(m_location.port);
            db.setUserName(m_location.user);
            db.setDatabaseName(m_location.database);
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        }
        if (!db.open())
            return fail(QStringLiteral("could not open the archive %1: %2")
                            .arg(m_location.display(), db.lastError().text()));
        if (!run(db, m_engine.sessionStatements(m_readOnly), m_error))
            return fail(m_error);
    }
    // Another program may be creating or migrating the same archive at this moment: its
    // transaction wins, and ours sees the result on the next look.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (prepareSchema())
            return true;
        if (!isOpen())
            return false;
    }
    return fail(m_error);
}

bool Archive::prepareSchema() {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery tables(db);
    if (!tables.exec(m_engine.tablesQuery()))
        return fail(QStringLiteral("could not read the archive %1: %2")
                        .arg(m_location.display(), tables.lastError().text()));
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString().toLower();
    tables.finish();
    int version = 0;
    if (!names.isEmpty()) {
        QSqlQuery meta(db);
        QString format;
        if (names.contains(QLatin1String("archive_meta")) &&
            meta.exec(QStringLiteral("SELECT name, value FROM archive_meta"))) {
            while (meta.next()) {
                if (meta.value(0).toString() == QLatin1String("format"))
                    format = meta.value(1).toString();
                else if (meta.value(0).toString() == QLatin1String("schema_version"))
                    version = meta.value(1).toInt();
            }
        }
        if (format != kFormatName || version < 1)
            return fail(QStringLiteral("%1 is not a NoiseDesk archive (a database of something "
                                       "else); it was left as it is")
                            .arg(m_location.display()));
        if (version > kSchemaVersion)
            return fail(QStringLiteral("the archive %1 was made by a newer NoiseDesk (version %2 "
                                       "of its tables; this program knows up to %3); it was "
                                       "left as it is")
                            .arg(m_location.display())
                            .arg(version)
                            .arg(kSchemaVersion));
    }
    m_versionFound = version;
    if (version == kSchemaVersion)
        return m_readOnly || run(db, m_engine.archiveStatements(), m_error) || fail(m_error);
    if (m_readOnly && version > 0 && m_engine.sqlite && !m_copy)
        return browseMigratedCopy();
    if (m_readOnly)
        return fail(version == 0 ? QStringLiteral("the archive %1 is empty and cannot be "
                                                  "written")
                                       .arg(m_location.display())
                                 : QStringLiteral("the archive %1 is from an older NoiseDesk "
                                                  "and must be opened once with write access")
                                       .arg(m_location.display()));
    if (!run(db, m_engine.archiveStatements(), m_error))
        return fail(m_error);
    if (!db.transaction())
        return fail(db.lastError().text());
    if (!migrate(version)) {
        db.rollback();
        return false;
    }
    return commitOrRollBack(db);
}

// An older archive file that cannot be written (a read-only medium, a colleague's file) is
// browsed through a migrated copy in a temporary folder; the file itself stays as it is.
bool Archive::browseMigratedCopy() {
    m_copy = std::make_unique<QTemporaryDir>();
    const QString copy = m_copy->filePath(QStringLiteral("archive.sqlite"));
    const QString wal = m_location.path + QStringLiteral("-wal");
    if (!m_copy->isValid() || !QFile::copy(m_location.path, copy) ||
        (QFileInfo::exists(wal) && !QFile::copy(wal, copy + QStringLiteral("-wal"))))
        return fail(QStringLiteral("the archive %1 is from an older NoiseDesk and could not be "
                                   "copied to be read: open it once with write access")
                        .arg(m_location.display()));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    db.close();
    db.setConnectOptions({});
    db.setDatabaseName(copy);
    if (!db.open() || !run(db, m_engine.sessionStatements(false), m_error))
        return fail(QStringLiteral("could not read the archive %1: %2")
                        .arg(m_location.display(), db.lastError().text()));
    m_readOnly = false;
    const bool migrated = prepareSchema();
    m_readOnly = true;
    return migrated;
}

bool Archive::commitOrRollBack(QSqlDatabase& db) {
    if (db.commit())
        return true;
    m_error = db.lastError().text();
    db.rollback();
    return false;
}

bool Archive::migrate(int from) {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (from == 0)
        return createSchemaVersion(db, m_engine, kSchemaVersion) ||
               (m_error = QStringLiteral("could not create the archive's tables"), false);
    for (int v = from; v < kSchemaVersion; ++v) {
        if (!run(db, stepFrom(v), m_error) || !setVersion(db, v + 1, m_error))
            return false;
    }
    return true;
}

std::optional<qint64> Archive::idOfHash(const QString& hash) {
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("SELECT id FROM measurement WHERE content_hash = ?"));
    q.addBindValue(hash);
    if (q.exec() && q.next())
        return q.value(0).toLongLong();
    return std::nullopt;
}

Added Archive::add(const Content& content) {
    Added result;
    if (!isOpen())
        return {0, false, QStringLiteral("the archive is not open")};
    if (m_readOnly)
        return {0, false, QStringLiteral("the archive %1 is read-only").arg(m_location.display())};
    const QString hash = content.info.hash.isEmpty() ? contentHash(content) : content.info.hash;
    if (const auto existing = idOfHash(hash))
        return {*existing, false, {}};
    const QByteArray blob = packRows(content.rows);
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.transaction())
        return {0, false, db.lastError().text()};
    auto failed = [&](const QString& why) {
        db.rollback();
        // Another writer may have stored the same data a moment ago.
        if (const auto existing = idOfHash(hash))
            return Added{*existing, false, {}};
        return Added{0, false, QStringLiteral("could not add to the archive: %1").arg(why)};
    };
    const Measurement& m = content.info;
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO measurement (kind, meter_id, criterion, threshold, exchange_rate, "
        "weighting, start_stamp, end_stamp, interval_tenths, sample_count, source, "
        "content_hash, archived_at, worker, task, location, notes, cal_before, cal_after) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    q.addBindValue(kindKey(m.kind));
    q.addBindValue(text(m.meterId));
    q.addBindValue(orNull(m.criterion));
    q.addBindValue(orNull(m.threshold));
    q.addBindValue(orNull(m.exchange));
    q.addBindValue(text(m.weighting));
    q.addBindValue(orNullLong(m.start));
    q.addBindValue(orNullLong(m.end));
    q.addBindValue(orNullLong(m.intervalTenths ? std::optional<std::int64_t>(*m.intervalTenths)
                                               : std::nullopt));
    q.addBindValue(static_cast<qint64>(content.rows.size()));
    q.addBindValue(text(m.source));
    q.addBindValue(hash);
    q.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    bindTags(q, m.tags);
    if (!q.exec() || !q.next())
        return failed(q.lastError().text());
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    QSqlQuery samples(db);
    samples.prepare(QStringLiteral("INSERT INTO sample_data (measurement_id, data) VALUES (?, ?)"));
    samples.addBindValue(id);
    samples.addBindValue(blob);
    if (!samples.exec())
        return failed(samples.lastError().text());
    QSqlQuery fields(db);
    fields.prepare(QStringLiteral("INSERT INTO measurement_field (measurement_id, section, seq, "
                                  "name, value) VALUES (?, ?, ?, ?, ?)"));
    for (const Field& f : content.fields) {
        fields.bindValue(0, id);
        fields.bindValue(1, f.section);
        fields.bindValue(2, f.position);
        fields.bindValue(3, text(f.name));
        fields.bindValue(4, text(f.value));
        if (!fields.exec())
            return failed(fields.lastError().text());
    }
    if (!db.commit())
        return failed(db.lastError().text());
    return {id, true, {}};
}

std::vector<Measurement> Archive::list(const Filter& f) {
    std::vector<Measurement> result;
    QStringList where;
    QVariantList values;
    auto equal = [&](const char* column, const QString& value) {
        if (value.isEmpty())
            return;
        where << QStringLiteral("LOWER(%1) = ?").arg(QLatin1String(column));
        values << value.toLower();
    };
    equal("worker", f.worker);
    equal("task", f.task);
    equal("location", f.location);
    if (!f.meterId.isEmpty()) {
        where << QStringLiteral("meter_id = ?");
        values << f.meterId;
    }
    if (f.kind) {
        where << QStringLiteral("kind = ?");
        values << kindKey(*f.kind);
    }
    if (!f.search.isEmpty()) {
        QString pattern = f.search.toLower();
        pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
        QStringList any;
        for (const char* column : {"worker", "task", "location", "notes"}) {
            any << QStringLiteral("LOWER(%1) LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            values << pattern;
        }
        where << QLatin1Char('(') + any.join(QLatin1String(" OR ")) + QLatin1Char(')');
    }
    if (f.since) {
        where << QStringLiteral("start_stamp >= ?");
        values << qint64(stored::makeStamp(*f.since, 0));
    }
    if (f.until) {
        where << QStringLiteral("start_stamp < ?");
        values << qint64(stored::makeStamp(f.until->addDays(1), 0));
    }
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM measurement%2 ORDER BY id DESC")
                  .arg(kColumns, where.isEmpty() ? QString()
                                                 : QStringLiteral(" WHERE ") +
                                                       where.join(QLatin1String(" AND "))));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return result;
    }
    while (q.next())
        result.push_back(measurementOf(q));
    // Newest first by the first sample; a measurement without times (a bank) by when it
    // was archived.
    auto when = [](const Measurement& m) {
        return m.start.value_or(stored::makeStamp(
            m.archivedAt.date(), m.archivedAt.time().msecsSinceStartOfDay() / 100));
    };
    std::stable_sort(result.begin(), result.end(),
                     [&](const Measurement& a, const Measurement& b) { return when(a) > when(b); });
    return result;
}

std::optional<Measurement> Archive::find(qint64 id) {
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("SELECT %1 FROM measurement WHERE id = ?").arg(kColumns));
    q.addBindValue(id);
    const bool ran = q.exec();
    m_notFound = ran && !q.next();
    if (!ran || m_notFound) {
        m_error = m_notFound ? QStringLiteral("no measurement %1").arg(id) : q.lastError().text();
        return std::nullopt;
    }
    return measurementOf(q);
}

std::optional<Content> Archive::load(qint64 id) {
    auto m = find(id);
    if (!m)
        return std::nullopt;
    Content c;
    c.info = *m;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT data FROM sample_data WHERE measurement_id = ?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) {
        m_error = QStringLiteral("the samples of measurement %1 are missing").arg(id);
        return std::nullopt;
    }
    auto rows = unpackRows(q.value(0).toByteArray());
    if (!rows) {
        m_error = QStringLiteral("the samples of measurement %1 are damaged").arg(id);
        return std::nullopt;
    }
    c.rows = std::move(*rows);
    QSqlQuery f(db);
    f.prepare(QStringLiteral("SELECT section, seq, name, value FROM measurement_field WHERE "
                             "measurement_id = ? ORDER BY section, seq"));
    f.addBindValue(id);
    if (!f.exec()) {
        m_error = f.lastError().text();
        return std::nullopt;
    }
    while (f.next())
        c.fields.push_back({f.value(0).toString(), f.value(1).toInt(), f.value(2).toString(),
                            f.value(3).toString()});
    return c;
}

bool Archive::setTags(qint64 id, const Tags& t) {
    if (m_readOnly) {
        m_error = QStringLiteral("the archive %1 is read-only").arg(m_location.display());
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("UPDATE measurement SET worker = ?, task = ?, location = ?, "
                             "notes = ?, cal_before = ?, cal_after = ? WHERE id = ?"));
    bindTags(q, t);
    q.addBindValue(id);
    if (!q.exec() || q.numRowsAffected() != 1) {
        m_error = q.lastError().isValid() ? q.lastError().text()
                                          : QStringLiteral("no measurement %1").arg(id);
        return false;
    }
    return true;
}

bool Archive::remove(qint64 id) {
    if (m_readOnly) {
        m_error = QStringLiteral("the archive %1 is read-only").arg(m_location.display());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.transaction()) {
        m_error = db.lastError().text();
        return false;
    }
    int removed = 0;
    for (const char* table : {"measurement_field", "sample_data", "measurement"}) {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                .arg(QLatin1String(table),
                     QLatin1String(qstrcmp(table, "measurement") == 0 ? "id" : "measurement_id")));
        q.addBindValue(id);
        if (!q.exec()) {
            m_error = q.lastError().text();
            db.rollback();
            return false;
        }
        removed = q.numRowsAffected();
    }
    if (removed != 1) {
        db.rollback();
        m_error = QStringLiteral("no measurement %1").arg(id);
        return false;
    }
    return commitOrRollBack(db);
}

QStringList Archive::values(const QString& column) {
    static const QStringList allowed = {"worker", "task", "location", "meter_id"};
    if (!allowed.contains(column))
        return {};
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    QStringList result;
    if (q.exec(QStringLiteral("SELECT DISTINCT %1 FROM measurement WHERE %1 <> '' ORDER BY %1")
                   .arg(column))) {
        while (q.next())
            result << q.value(0).toString();
    }
    return result;
}

} // namespace nd::archive
