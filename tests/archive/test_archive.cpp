// The measurement archive on SQLite and on a real PostgreSQL server started here: round
// trips through the readers, dedupe, migration, refusal of what is no archive and a writer
// killed mid-import.

#include "../support/PgServer.h"
#include "archive/Archive.h"
#include "events/BankFile.h"
#include "realtime/AverageFile.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

using namespace nd;
using namespace nd::archive;
using nd::test::recordingList;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

/// Works on the archive's database straight, as another program would.
bool onDatabase(const QString& where, const std::function<bool(QSqlDatabase&, Engine)>& work) {
    const Location l = *parseLocation(where).location;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(Engine{!l.server}.driver(), "raw");
        db.setDatabaseName(l.server ? l.database : l.path);
        db.setHostName(l.host);
        db.setPort(l.port);
        db.setUserName(l.user);
        ok = db.open() && work(db, Engine{!l.server}) &&
             (l.server || QSqlQuery(db).exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("raw");
    return ok;
}

/// The child writer: adds measurements one by one and says so after each commit.
int childMain() {
    const QString where = qEnvironmentVariable("ND_ARCHIVE_CHILD");
    const QStringList n = qEnvironmentVariable("ND_ARCHIVE_COUNTS").split(' ');
    const int seed = n[0].toInt(), count = n[1].toInt(), rows = n[2].toInt(), fields = n[3].toInt();
    Archive a;
    if (!a.open(where)) {
        std::fprintf(stderr, "%s\n", qPrintable(a.error()));
        return 2;
    }
    for (int i = 0; i < count; ++i) {
        Content c = fromLevelList(Kind::Recording, recordingList(seed * 100000 + i, rows), "child");
        // Many fields make a long write after the measurement's own row.
        for (int f = 0; f < fields; ++f)
            c.fields.push_back({"x", f, "n", QString::number(f)});
        const Added r = a.add(c);
        if (!r.ok() || !r.added) {
            std::fprintf(stderr, "%s\n", qPrintable(r.text()));
            return 3;
        }
        std::printf("added %lld\n", static_cast<long long>(r.id));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::BothEngines m_engines;
    int m_next = 0;

    void engines() { test::BothEngines::addRows(); }
    /// A new, empty archive of the engine.
    QString freshArchive(const QString& engine) {
        return m_engines.fresh(engine, m_dir, QStringLiteral("a%1").arg(m_next++));
    }
    QProcess* startChild(const QString& where, int seed, int count, int rows, int fields) {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ND_ARCHIVE_CHILD", where);
        env.insert("ND_ARCHIVE_COUNTS",
                   QStringLiteral("%1 %2 %3 %4").arg(seed).arg(count).arg(rows).arg(fields));
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {});
        return p;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        if (const auto failure = m_engines.start())
            QFAIL(qPrintable(*failure));
    }
    void init() {
        if (const auto why = m_engines.skipped())
            QSKIP(qPrintable(*why));
    }

    void roundTripAndDedupe_data() { engines(); }
    void roundTripAndDedupe() {
        QFETCH(QString, engine);
        const QString where = freshArchive(engine);
        Archive a;
        QVERIFY2(a.open(where), qPrintable(a.error()));

        // A logged set with the rows a file may hold besides plain levels.
        stored::LevelList list = recordingList(1, 50);
        list.rows.push_back(stored::makeRow("60", "2024/05/06", "08:01:00.0", "OL"));
        list.rows.push_back(stored::makeRow("61", "2024/05/06", "08:01:01.0", "----"));
        list.rows.push_back(stored::makeRow("62", "2024/05/06", "08:01:02.0", "142.0"));
        list.rows.push_back(stored::makeRow("63", "2024/05/06", "08:01:03", "85.50"));
        list.notes = {"ID code 417; set 1 of 1", "north fence", ""};
        const QString dat = m_dir.filePath("set.dat");
        QVERIFY(!stored::saveBytes(dat, stored::gridFileBytes(list)));
        events::BankTable table;
        table.cell(events::row::kUsed, 2) = " Used";
        table.cell(events::row::kCriterion, 2) = " 90dB";
        table.cell(events::row::kDose, 2) = " 12.5%";
        table.Name = "J. Smith";
        const QString bnk = m_dir.filePath("banks.bnk");
        QVERIFY(!events::SaveBankFile(bnk, table, events::BankLayout::Menu));
        realtime::AverageFile average;
        average.fields[realtime::kId] = "417";
        average.fields[realtime::kCriterion] = "90";
        average.rows.push_back(stored::makeRow("1", "2024/05/06", "08:15:00", "84.2"));
        average.rows.push_back(stored::makeRow("2", "2024/05/06", "08:30:00", "86.9"));
        const QString avg = m_dir.filePath("run.avg");
        QVERIFY(!stored::saveBytes(avg, realtime::averageFileBytes(average)));

        QList<qint64> ids;
        for (const QString& path : {dat, bnk, avg}) {
            const FileContent read = readMeasurementFile(path);
            QVERIFY2(read.content, qPrintable(read.error));
            const Added first = a.add(*read.content);
            QVERIFY2(first.added, qPrintable(first.text()));
            QCOMPARE(first.text(), QStringLiteral("added as %1").arg(first.id));
            const Added again = a.add(*readMeasurementFile(path).content);
            QCOMPARE(again.text(), QStringLiteral("already in the archive as %1").arg(first.id));
            ids << first.id;
        }
        // Out again, the same rows and texts the files held.
        const auto set = a.load(ids[0]);
        QVERIFY(set);
        QCOMPARE(stored::gridFileBytes(levelList(*set)), fileBytes(dat));
        QCOMPARE(set->info.meterId, QStringLiteral("417"));
        QCOMPARE(set->info.samples, 54);
        QCOMPARE(set->info.intervalTenths, 10);
        QCOMPARE(stampText(set->info.start), QStringLiteral("2024-05-06 08:00:00.0"));
        QCOMPARE(events::FillEmptyCells(bankTable(*a.load(ids[1])), events::BankLayout::Menu),
                 events::ParseBankFile(fileBytes(bnk)).table.value());
        QCOMPARE(a.find(ids[1])->criterion, 90.0);
        QCOMPARE(realtime::averageFileBytes(averageFile(*a.load(ids[2]))), fileBytes(avg));

        // Tags, filters, delete.
        const Tags tags{"Ann Lee", "grinding", "Hall 2", "ear muffs", 94.0, 93.9};
        QVERIFY(a.setTags(ids[0], tags));
        QCOMPARE(a.find(ids[0])->tags, tags);
        QCOMPARE(a.list().size(), std::size_t(3));
        const auto listed = [&a](const std::function<void(Filter&)>& setUp) {
            Filter f;
            setUp(f);
            return a.list(f);
        };
        QCOMPARE(listed([](Filter& f) { f.worker = "ann lee"; }).size(), std::size_t(1));
        QCOMPARE(listed([](Filter& f) { f.search = "MUFF"; }).size(), std::size_t(1));
        QCOMPARE(listed([](Filter& f) { f.kind = Kind::Average; }).at(0).id, ids[2]);
        QCOMPARE(listed([](Filter& f) { f.since = QDate(2024, 5, 7); }).size(), std::size_t(0));
        QCOMPARE(listed([](Filter& f) { f.since = f.until = QDate(2024, 5, 6); }).size(),
                 std::size_t(2));
        QCOMPARE(a.values("worker"), QStringList{"Ann Lee"});
        QVERIFY(a.remove(ids[0]));
        QVERIFY(!a.load(ids[0]));
        QVERIFY(!a.remove(ids[0]));
        QCOMPARE(a.list().size(), std::size_t(2));
        // Gone for good: the same file goes in again as new.
        QVERIFY(a.add(*readMeasurementFile(dat).content).added);

        // A read-only open browses and writes nothing.
        a.close();
        Archive ro;
        QVERIFY2(ro.open(where, true), qPrintable(ro.error()));
        QCOMPARE(ro.list().size(), std::size_t(3));
        QVERIFY(!ro.add(fromLevelList(Kind::Logged, recordingList(9, 3), "x")).ok());
        QVERIFY(!ro.setTags(ids[1], tags));
    }

    void migratesOlderAndRefusesNewer_data() { engines(); }
    void migratesOlderAndRefusesNewer() {
        QFETCH(QString, engine);
        const QString where = freshArchive(engine);
        QVERIFY(onDatabase(where, [](QSqlDatabase& db, Engine kind) {
            return createSchemaVersion(db, kind, 1) &&
                   QSqlQuery(db).exec("INSERT INTO measurement (kind, sample_count, content_hash, "
                                      "archived_at, worker) VALUES ('bank', 0, 'h1', "
                                      "'2020-01-01T00:00:00.000Z', 'Old entry')");
        }));
        if (engine == "sqlite") { // an older file that cannot be written is browsed as it is
            const QByteArray old = fileBytes(where);
            Archive ro;
            QVERIFY2(ro.open(where, true), qPrintable(ro.error()));
            QCOMPARE(ro.list().at(0).tags.worker, QStringLiteral("Old entry"));
            QVERIFY(ro.isReadOnly() && !ro.setTags(ro.list().at(0).id, {}));
            QCOMPARE(fileBytes(where), old);
        }
        {
            Archive a;
            QVERIFY2(a.open(where), qPrintable(a.error()));
            QCOMPARE(a.versionFound(), 1);
            const auto old = a.list();
            QCOMPARE(old.size(), std::size_t(1));
            QCOMPARE(old[0].tags.worker, QStringLiteral("Old entry"));
            Tags t = old[0].tags;
            t.calBefore = 94.0;
            QVERIFY2(a.setTags(old[0].id, t), qPrintable(a.error()));
            QCOMPARE(a.find(old[0].id)->tags.calBefore, 94.0);
            QVERIFY(a.add(fromLevelList(Kind::Logged, recordingList(3, 10), "x")).added);
        }
        {
            Archive a;
            QVERIFY(a.open(where));
            QCOMPARE(a.versionFound(), kSchemaVersion);
        }
        // A newer program's archive: refused, left as it is.
        QVERIFY(onDatabase(where, [](QSqlDatabase& db, Engine) {
            return QSqlQuery(db).exec(
                QString("UPDATE archive_meta SET value = '%1' WHERE name = 'schema_version'")
                    .arg(kSchemaVersion + 1));
        }));
        const QByteArray before = fileBytes(where); // unreadable on the server: the same
        Archive a;
        QVERIFY(!a.open(where));
        QVERIFY2(a.error().contains("newer NoiseDesk"), qPrintable(a.error()));
        QCOMPARE(fileBytes(where), before);
    }

    void refusesWhatIsNoArchive_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray random(4096, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(random.data()), 1024);
        QTest::newRow("random bytes") << "sqlite" << random;
        QTest::newRow(".dat file") << "sqlite" << stored::gridFileBytes(recordingList(1, 5));
        QTest::newRow("other SQLite database") << "sqlite" << QByteArray();
        QTest::newRow("postgresql") << "postgresql" << QByteArray();
    }
    void refusesWhatIsNoArchive() {
        QFETCH(QString, engine);
        QFETCH(QByteArray, bytes);
        const QString where = freshArchive(engine);
        if (engine == "sqlite" && !bytes.isEmpty())
            QVERIFY(!stored::saveBytes(where, bytes));
        if (bytes.isEmpty()) { // someone else's database, with tables of its own
            QVERIFY(onDatabase(where, [](QSqlDatabase& db, Engine) {
                QSqlQuery q(db);
                return q.exec("CREATE TABLE archive_meta (name TEXT, value TEXT)") &&
                       q.exec("INSERT INTO archive_meta VALUES ('format', 'payroll'), "
                              "('schema_version', '1')");
            }));
        }
        const QByteArray before = fileBytes(where);
        Archive a;
        QVERIFY(!a.open(where));
        QVERIFY2(a.error().contains("is not a NoiseDesk archive"), qPrintable(a.error()));
        QVERIFY2(a.error().contains("left as it is"), qPrintable(a.error()));
        QCOMPARE(fileBytes(where), before);
        QVERIFY(!QFile::exists(where + "-wal"));
    }

    void killedWriterLeavesWholeArchive_data() { engines(); }
    void killedWriterLeavesWholeArchive() {
        QFETCH(QString, engine);
        const QString where = freshArchive(engine);
        constexpr int kRows = 5000;
        constexpr int kFields = 500;
        QProcess* child = startChild(where, 1, 100000, kRows, kFields);
        // Kill it at a random moment of a measurement's write, judged from how long the
        // last one took.
        QElapsedTimer clock;
        clock.start();
        int seen = 0;
        qint64 last = 0;
        qint64 cycle = 0;
        while (seen < 3 && child->waitForReadyRead(60000)) {
            seen += int(child->readAll().count("added"));
            cycle = clock.elapsed() - last;
            last = clock.elapsed();
        }
        QVERIFY2(seen >= 3, child->readAllStandardError().constData());
        QTest::qWait(int(QRandomGenerator::global()->bounded(std::max<qint64>(cycle, 2))));
        child->kill();
        child->waitForFinished();
        Archive a;
        QVERIFY2(a.open(where), qPrintable(a.error()));
        const auto all = a.list();
        QVERIFY(int(all.size()) >= seen);
        for (const Measurement& m : all) {
            const auto c = a.load(m.id);
            QVERIFY2(c, qPrintable(a.error()));
            QCOMPARE(int(c->rows.size()), kRows);
            QCOMPARE(int(c->fields.size()), 3 + kFields);
            QCOMPARE(m.samples, kRows);
        }
        // And it takes new measurements as before.
        QVERIFY(a.add(fromLevelList(Kind::Logged, recordingList(5, 10), "x")).added);
    }

    // A second program writing the same archive at the same moment: nothing is lost.
    void twoWritersLoseNothing_data() { engines(); }
    void twoWritersLoseNothing() {
        QFETCH(QString, engine);
        const QString where = freshArchive(engine);
        constexpr int kEach = 30;
        QProcess* child = startChild(where, 2, kEach, 2000, 0);
        Archive a;
        QVERIFY2(a.open(where), qPrintable(a.error()));
        for (int i = 0; i < kEach; ++i) {
            const Added r =
                a.add(fromLevelList(Kind::Recording, recordingList(300000 + i, 2000), "window"));
            QVERIFY2(r.added, qPrintable(r.text()));
        }
        QVERIFY(child->waitForFinished(60000));
        QCOMPARE(child->exitCode(), 0);
        QCOMPARE(int(a.list().size()), 2 * kEach);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ND_ARCHIVE_CHILD"))
        return childMain();
    TestArchive test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_archive.moc"
