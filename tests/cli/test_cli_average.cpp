// noisedesk-cli average and export of .avg files: no meter involved.

#include "../realtime/Fetch.h"
#include "Child.h"
#include "realtime/AverageFile.h"
#include "stored/SaveFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

using CliResult = nd::test::ProgramResult;

CliResult runCli(const QStringList& args) {
    return nd::test::runProgram("noisedesk-cli", args, 30000);
}

/// A recording: one sample a second from 14:50:00 for 25 s; the first ten 99.0, then
/// an "OL", a link loss (no lines for 3 s), then 80.0.
QByteArray recording() {
    QByteArray out = "No.s\tDate\tTime\tdBA\r\n";
    for (int s = 0; s < 25; ++s) {
        if (s >= 11 && s < 14)
            continue;
        const char* value = s < 10 ? "99.0" : s == 10 ? "OL" : "80.0";
        out += QStringLiteral("%1\t2026/12/05\t14:50:%2.0\t%3\r\n")
                   .arg(s + 1)
                   .arg(s, 2, 10, QLatin1Char('0'))
                   .arg(value)
                   .toUtf8();
    }
    return out;
}

} // namespace

class CliAverageTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dat;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_dat = path("run.dat");
        QVERIFY(!nd::stored::saveBytes(m_dat, recording()));
        const CliResult r =
            runCli({"average", m_dat, "--interval", "0:0:10", "--out", path("run"), // ".avg" added
                    "--job", "Press shop", "--name", "A. Smith", "--id", "42"});
        QCOMPARE(r.exitCode, 0);
    }

    void jsonListsCompleteIntervals() {
        const CliResult r = runCli({"average", m_dat, "--interval", "00:00:10", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
        // 00-09 and 10-19 complete (20-24 dropped); OL at 140.0 and six of 80.0 in the second.
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0]["end"].toString(), QStringLiteral("2026/12/05 14:50:10"));
        QCOMPARE(list[0]["mean_text"].toString(), QStringLiteral("99.0"));
        QCOMPARE(list[1]["samples"].toInt(), 7);
        QCOMPARE(list[1]["mean"], QJsonValue(88.5)); // a number, 88.57 cut down
    }

    void outWritesAnAvgFileThatExportReads() {
        const auto read = nd::realtime::readAverageFile(path("run.avg"));
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        const auto& f = read.content->fields;
        QCOMPARE(QStringList(f.begin(), f.begin() + nd::realtime::kStartDate),
                 QStringList({"Press shop", "A. Smith", "42"}));
        QCOMPARE(QStringList(f.begin() + nd::realtime::kRunTime, f.end()),
                 QStringList({"00:00:20", "OL", "Yes"}));
        QCOMPARE(read.content->rows.size(), std::size_t{2});
        const CliResult listing = runCli({"export", path("run.avg")});
        QCOMPARE(listing.exitCode, 0);
        QVERIFY(listing.out.contains("2       2026/12/05  14:50:20      88.5"));
    }

    /// What the averager warns of reaches stderr, with exit 0.
    void warningsAreSaid_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("said");
        QTest::newRow("bound") << "run.dat"
                               << "0:0:10"
                               << "1 readings were counted at a bound";
        QTest::newRow("clock back") << "autumn.dat"
                                    << "0:0:10"
                                    << "the clock steps back at row 31 (2026/10/25 02:59:49 is "
                                       "followed by 2026/10/25 01:59:20)";
        QTest::newRow("too short") << "run.dat"
                                   << "00:01:00"
                                   << "no average: the recording spans 00:00:24, less than one "
                                      "interval of 00:01:00";
    }
    void warningsAreSaid() {
        // 30 s at 80 dB, then the clock one hour back and 30 s at 100 dB.
        QByteArray bytes = "No.s\tDate\tTime\tdBA\r\n";
        for (int i = 0; i < 60; ++i)
            bytes += QStringLiteral("%1\t2026/10/25\t0%2:59:%3.0\t%4\r\n")
                         .arg(i + 1)
                         .arg(i < 30 ? 2 : 1)
                         .arg(i % 30 + 20)
                         .arg(i < 30 ? "80.0" : "100.0")
                         .toUtf8();
        QVERIFY(!nd::stored::saveBytes(path("autumn.dat"), bytes));
        const CliResult r = runCli({"average", path(QFETCH_TYPE(QString, file)), "--interval",
                                    QFETCH_TYPE(QString, interval)});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(QFETCH_TYPE(QString, said)), qPrintable(r.err));
    }

    /// CSV of every flavour: ISO dates, the delimiter and decimal sign asked for.
    void csv_data() {
        QTest::addColumn<QStringList>("words"); // %1 the recording, %2 its .avg
        QTest::addColumn<QString>("expected");
        QTest::newRow("decimal comma") << QStringList{"export", "%1", "--csv", "--decimal-comma"}
                                       << "No.s;Date;Time;dBA\r\n1;2026-12-05;14:50:00,0;99,0\r\n";
        QTest::newRow("avg decimal comma")
            << QStringList{"export", "%2", "--csv", "--decimal-comma"}
            << "\r\nNo.s;Date;Time;dBA\r\n1;2026-12-05;14:50:10;99,0\r\n";
        QTest::newRow("histogram")
            << QStringList{"histogram",       "%1",          "--csv", "--resolution", "0.1",
                           "--decimal-comma", "--delimiter", "|"}
            << "dBA|count\r\n80,0|11\r\n99,0|10\r\n";
    }
    void csv() {
        QFETCH(QStringList, words);
        for (QString& w : words)
            w.replace("%1", m_dat).replace("%2", path("run.avg"));
        const CliResult r = runCli(words);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(QFETCH_TYPE(QString, expected)), qPrintable(r.out));
        QVERIFY(!r.out.contains("LAeq"));
    }

    void refused_data() {
        // %1 stands for the recording, %2 for the test folder.
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("interval wraps no more")
            << QStringList{"average", "%1", "--interval", "0:90:0"} << 1;
        QTest::newRow("missing file")
            << QStringList{"average", "%2/none.dat", "--interval", "0:0:10"} << 4;
        QTest::newRow("a .dat named .avg") << QStringList{"export", "%2/fake.avg"} << 4;
        QTest::newRow("user fields without --out")
            << QStringList{"average", "%1", "--interval", "0:0:10", "--job", "x"} << 1;
        QTest::newRow("decimal comma between commas")
            << QStringList{"export", "%1", "--csv", "--decimal-comma", "--delimiter", ","} << 1;
    }
    void refused() {
        QFile::copy(m_dat, path("fake.avg"));
        QFETCH(QStringList, words);
        for (QString& w : words)
            w.replace("%1", m_dat).replace("%2", m_dir.path());
        const CliResult r = runCli(words);
        QTEST(r.exitCode, "exitCode");
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.count(m_dir.path()) <= 1, qPrintable(r.err)); // named once
    }
};

QTEST_GUILESS_MAIN(CliAverageTest)
#include "test_cli_average.moc"
