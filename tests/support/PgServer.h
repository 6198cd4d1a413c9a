#pragma once

#include "stored/LevelList.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace nd::test {

/// A real PostgreSQL server in a temporary folder, reachable only through a private
/// socket folder. As root the server runs as the "postgres" user (it refuses root).
class PgServer {
public:
    PgServer() = default;
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;
    ~PgServer() { stop(); }

    /// Starts the server; the reason when it could not.
    bool start(QString& why) {
        m_bin = binDir();
        if (m_bin.isEmpty() || !m_dir.isValid()) {
            why = QStringLiteral("no PostgreSQL server programs (Debian: postgresql)");
            return false;
        }
        m_asRoot = geteuid() == 0;
        if (m_asRoot) {
            const passwd* pg = getpwnam("postgres");
            if (!pg || chown(m_dir.path().toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0) {
                why = QStringLiteral("running as root, but there is no postgres user to run "
                                     "the server as");
                return false;
            }
        }
        const QString options =
            QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off").arg(m_dir.path());
        m_running =
            runPg("initdb",
                  {"-D", data(), "-U", "postgres", "--auth=trust", "--no-locale", "-E", "UTF8",
                   "--no-sync"},
                  why) &&
            runPg("pg_ctl",
                  {"-D", data(), "-l", log(), "-w", "-t", "60", "-o", options.arg(kPort), "start"},
                  why);
        return m_running;
    }

    void stop() {
        if (!m_running)
            return;
        QString ignored;
        runPg("pg_ctl", {"-D", data(), "-m", "immediate", "-w", "stop"}, ignored);
        m_running = false;
    }

    /// A new empty database and its address for the archive.
    QString newDatabase(const QString& name) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "pg-admin");
            db.setHostName(m_dir.path());
            db.setPort(kPort);
            db.setUserName("postgres");
            db.setDatabaseName("postgres");
            if (db.open())
                QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE %1").arg(name));
            db.close();
        }
        QSqlDatabase::removeDatabase("pg-admin");
        return QStringLiteral("postgresql://postgres@localhost:%1/%2?host=%3")
            .arg(kPort)
            .arg(name, m_dir.path());
    }

private:
    static constexpr int kPort = 5432;

    static QString binDir() {
        QStringList versions =
            QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
        for (const QString& v : versions) {
            if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
                return QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
        }
        return {};
    }
    QString data() const { return m_dir.filePath("data"); }
    QString log() const { return m_dir.filePath("log"); }

    bool runPg(const QString& program, const QStringList& arguments, QString& why) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString path = m_bin + "/" + program;
        if (m_asRoot)
            p.start("runuser", QStringList{"-u", "postgres", "--", path} + arguments);
        else
            p.start(path, arguments);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            QFile log(this->log());
            why = program + ": " + QString::fromLocal8Bit(p.readAll()) +
                  (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : "");
            return false;
        }
        return true;
    }

    QTemporaryDir m_dir{QDir::tempPath() + "/nd-pg-XXXXXX"};
    QString m_bin;
    bool m_asRoot = false;
    bool m_running = false;
};

/// A recording of `count` 1-s samples whose levels depend on `seed`, so each is new data.
inline stored::LevelList recordingList(int seed, int count) {
    stored::LevelList list;
    const stored::StampTenths start = stored::makeStamp(QDate(2024, 5, 6), 8 * 36000);
    for (int i = 0; i < count; ++i) {
        const stored::StampTenths t = start + i * 10;
        list.rows.push_back(stored::makeRow(
            QString::number(i + 1), stored::stampDateText(t), stored::stampTimeText(t),
            QString::number(60.0 + ((seed * 131 + i * 7) % 700) / 10.0, 'f', 1)));
    }
    return list;
}

/// Runs a test's cases on SQLite and on a real PostgreSQL server: the "engine" rows, a
/// fresh archive of either engine, and whether the server's rows fail or are skipped.
class BothEngines {
public:
    static void addRows() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("postgresql") << "postgresql";
    }
    /// For initTestCase: the failure to report when CI needs the server and it did not start.
    std::optional<QString> start() {
        m_up = m_pg.start(m_why);
        if (!m_up && qEnvironmentVariable("CI") == QLatin1String("true"))
            return QStringLiteral("PostgreSQL did not start: ") + m_why;
        return std::nullopt;
    }
    /// For init: why the current row is skipped, if it is.
    std::optional<QString> skipped() const {
        if (QTest::currentDataTag() == QLatin1String("postgresql") && !m_up)
            return QStringLiteral("PostgreSQL did not start: ") + m_why;
        return std::nullopt;
    }
    /// A new, empty archive named `name`: a file in `dir`, or a database on the server
    /// (empty when the server is down).
    QString fresh(const QString& engine, const QTemporaryDir& dir, const QString& name) {
        if (engine == QLatin1String("sqlite"))
            return dir.filePath(name + QStringLiteral(".sqlite"));
        return m_up ? m_pg.newDatabase(name) : QString();
    }

private:
    PgServer m_pg;
    bool m_up = false;
    QString m_why;
};

} // namespace nd::test
