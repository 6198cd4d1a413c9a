// noisedesk-cli archive on SQLite and on a PostgreSQL server started here, and a CLI
// import running beside another writer.

#include "../support/PgServer.h"
#include "Child.h"
#include "archive/Archive.h"
#include "realtime/AverageFile.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

namespace {

QByteArray recordingBytes(int seed, int count) {
    QByteArray bytes = stored::recordingHeaderLine();
    // Each seed starts a minute later: new data every time.
    const stored::StampTenths start =
        stored::makeStamp(QDate(2024, 5, 6), 8 * 36000) + (seed - 1) * 600;
    for (int i = 0; i < count; ++i) {
        const stored::StampTenths t = start + i * 10;
        bytes += stored::recordingLine(stored::makeRow(
            QString::number(i + 1), stored::stampDateText(t), stored::stampTimeText(t),
            QString::number(70.0 + ((seed * 37 + i * 3) % 500) / 10.0, 'f', 1)));
    }
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class CliArchiveTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::BothEngines m_engines;
    int m_next = 0;

    QString freshArchive(const QString& engine) {
        return m_engines.fresh(engine, m_dir, QStringLiteral("a%1").arg(m_next++));
    }
    test::ProgramResult cli(const QString& archive, const QStringList& args) {
        return test::runProgram("noisedesk-cli", QStringList{"--archive", archive} + args);
    }
    void engines() { test::BothEngines::addRows(); }

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

    void verbs_data() { engines(); }
    void verbs() {
        QFETCH(QString, engine);
        const QString archive = freshArchive(engine);
        const QString dat = m_dir.filePath("rec.dat");
        QVERIFY(!stored::saveBytes(dat, recordingBytes(1, 120)));
        realtime::AverageFile average;
        average.rows.push_back(stored::makeRow("1", "2024/05/07", "08:15:00", "84.2"));
        const QString avg = m_dir.filePath("run.avg");
        QVERIFY(!stored::saveBytes(avg, realtime::averageFileBytes(average)));
        const QString bad = m_dir.filePath("bad.dat");
        QVERIFY(!stored::saveBytes(bad, "not a level list\n"));

        auto r = cli(archive, {"archive", "import", dat, bad, avg});
        QCOMPARE(r.exitCode, 4);
        QCOMPARE(r.out, dat + ": added as 1\n" + avg + ": added as 2\n");
        QVERIFY2(r.err.contains(bad) && r.err.contains("nothing added"), qPrintable(r.err));
        r = cli(archive, {"archive", "import", dat});
        QCOMPARE(r.out, dat + ": already in the archive as 1\n");

        QCOMPARE(cli(archive, {"archive", "tag", "1", "--worker", "Ann Lee", "--task", "grinding",
                               "--cal-before", "94.0"})
                     .exitCode,
                 0);
        r = cli(archive, {"archive", "list", "--json", "--worker", "ann lee"});
        const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(list.size(), 1);
        const QJsonObject one = list[0].toObject();
        QStringList keys = one.keys();
        keys.sort();
        QCOMPARE(keys, QStringList({"end", "id", "interval_s", "kind", "location", "meter_id",
                                    "notes", "samples", "source", "start", "task", "worker"}));
        QCOMPARE(one["start"].toString(), QStringLiteral("2024-05-06 08:00:00.0"));
        QCOMPARE(one["end"].toString(), QStringLiteral("2024-05-06 08:01:59.0"));
        QCOMPARE(one["interval_s"].toDouble(), 1.0);
        QCOMPARE(one["samples"].toInt(), 120);
        QCOMPARE(one["kind"].toString(), QStringLiteral("recording"));
        QCOMPARE(one["task"].toString(), QStringLiteral("grinding"));

        // show: the same figures as stats on the file.
        r = cli(archive, {"archive", "show", "1", "--json", "--standard", "niosh"});
        const QJsonObject shown = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const auto stats =
            test::runProgram("noisedesk-cli", {"stats", dat, "--json", "--standard", "niosh"});
        QCOMPARE(shown["stats"].toObject(), QJsonDocument::fromJson(stats.out.toUtf8()).object());
        QCOMPARE(shown["worker"].toString(), QStringLiteral("Ann Lee"));

        const QString back = m_dir.filePath("back.dat");
        QCOMPARE(cli(archive, {"archive", "export", "1", "--out", back}).exitCode, 0);
        QCOMPARE(fileBytes(back), fileBytes(dat));

        QCOMPARE(cli(archive, {"archive", "delete", "1"}).exitCode, 1);
        QCOMPARE(cli(archive, {"archive", "delete", "1", "--yes"}).exitCode, 0);
        r = cli(archive, {"archive", "list", "--json"});
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).array().size(), 1);
    }

    void importBesideAnotherWriter_data() { engines(); }
    void importBesideAnotherWriter() {
        QFETCH(QString, engine);
        const QString where = freshArchive(engine);
        constexpr int kEach = 20;
        QStringList files;
        for (int i = 0; i < kEach; ++i) {
            files << m_dir.filePath(QStringLiteral("%1-%2.dat").arg(engine).arg(i));
            QVERIFY(!stored::saveBytes(files.last(), recordingBytes(1000 + i, 3000)));
        }
        QProcess import;
        import.start(test::programPath("noisedesk-cli"),
                     QStringList{"--archive", where, "archive", "import"} + files);
        QVERIFY(import.waitForStarted());
        archive::Archive window;
        QVERIFY2(window.open(where), qPrintable(window.error()));
        for (int i = 0; i < kEach; ++i) {
            const stored::DataFileRead read = stored::readDataFile(recordingBytes(2000 + i, 3000));
            QVERIFY(window
                        .add(archive::fromLevelList(archive::Kind::Recording, read.content->list,
                                                    "window"))
                        .added);
        }
        const auto r = test::finishProgram(import);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(int(r.out.count("added as")), kEach);
        QCOMPARE(int(window.list().size()), 2 * kEach);
    }
};

QTEST_GUILESS_MAIN(CliArchiveTest)
#include "test_cli_archive.moc"
