// noisedesk-cli archive on SQLite and on a PostgreSQL server started here.

#include "../support/PgServer.h"
#include "Child.h"
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
        QByteArray recording = stored::recordingHeaderLine();
        for (const stored::LevelRow& row : test::recordingList(1, 120).rows)
            recording += stored::recordingLine(row);
        QVERIFY(!stored::saveBytes(dat, recording));
        realtime::AverageFile average;
        average.rows.push_back(stored::makeRow("1", "2024/05/07", "08:15:00", "84.2"));
        average.fields[realtime::kExchange] = "5"; // the one setting this file knows
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
        QCOMPARE(one["start"].toString(), QStringLiteral("2024-05-06 08:00:00.0"));
        QCOMPARE(one["end"].toString(), QStringLiteral("2024-05-06 08:01:59.0"));
        QCOMPARE(one["interval_s"].toDouble(), 1.0);
        QCOMPARE(one["samples"].toInt(), 120);
        QCOMPARE(one["kind"].toString(), QStringLiteral("recording"));

        // show: the same figures as stats on the file.
        r = cli(archive, {"archive", "show", "1", "--json", "--standard", "niosh"});
        const QJsonObject shown = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const auto stats =
            test::runProgram("noisedesk-cli", {"stats", dat, "--json", "--standard", "niosh"});
        QCOMPARE(shown["stats"].toObject(), QJsonDocument::fromJson(stats.out.toUtf8()).object());
        QCOMPARE(shown["worker"].toString(), QStringLiteral("Ann Lee"));
        // "meter" takes the settings the measurement knows, here its exchange rate.
        r = cli(archive, {"archive", "show", "2", "--standard", "meter", "--criterion", "90"});
        QVERIFY2(r.exitCode == 0 && r.out.contains("exchange 5 dB"), qPrintable(r.err + r.out));

        const QString back = m_dir.filePath("back.dat");
        QCOMPARE(cli(archive, {"archive", "export", "1", "--out", back}).exitCode, 0);
        QCOMPARE(fileBytes(back), fileBytes(dat));

        QCOMPARE(cli(archive, {"archive", "delete", "1"}).exitCode, 1);
        QCOMPARE(cli(archive, {"archive", "delete", "1", "--yes"}).exitCode, 0);
        r = cli(archive, {"archive", "list", "--json"});
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).array().size(), 1);
    }
};

QTEST_GUILESS_MAIN(CliArchiveTest)
#include "test_cli_archive.moc"
