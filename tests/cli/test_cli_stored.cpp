// The stored-data verbs of noisedesk-cli against noisedesk-sim over a pseudo-terminal.

#include "Child.h"
#include "stored/DataFile.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using CliResult = nd::test::ProgramResult;

CliResult finish(QProcess& cli, int waitMs = 60000) {
    return nd::test::finishProgram(cli, waitMs);
}

} // namespace

class CliStoredTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    nd::test::Child m_sim{"noisedesk-sim", {"--link", m_dir.filePath("meter"), "--level", "94.5"}};
    QString m_device;

    bool command(const QString& line) { return m_sim.command(line); }
    void start(QProcess& cli, QStringList args) {
        cli.start(nd::test::programPath("noisedesk-cli"), QStringList{"--port", m_device} + args);
        QVERIFY(cli.waitForStarted());
    }
    CliResult run(const QStringList& args) {
        QProcess cli;
        start(cli, args);
        return finish(cli);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_sim.started());
        m_device = m_sim.nextLine();
    }

    void cleanupTestCase() { m_sim.command("quit"); }

    void download_writesOneReadableFilePerSet() {
        QVERIFY(command("sets 3"));
        QVERIFY(command("set 40 0"));
        const QString out = m_dir.filePath("sets");
        const QString archive = m_dir.filePath("archive.sqlite");
        const CliResult r =
            run({"download", out, "--raw", m_dir.filePath("raw.bin"), "--archive", archive});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count(QRegularExpression(": archived as [0-9]+\n")), 3);
        // The same memory again, and its files imported: nothing new.
        const CliResult again = run({"download", out, "--archive", archive});
        QCOMPARE(again.err.count("already in the archive as"), 3);
        const CliResult imported = nd::test::runProgram(
            "noisedesk-cli", QStringList{"archive", "import", "--archive", archive} +
                                 QDir(out).entryList({"*.dat"}).replaceInStrings(
                                     QRegularExpression("^"), out + "/"));
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(imported.out.count("already in the archive as"), 3);
        const QStringList files = QDir(out).entryList({"*.dat"}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 3);
        QVERIFY(files[0].startsWith("set001_"));
        QVERIFY(r.out.contains("memory remaining: 28.1 K"));
        const auto read = nd::stored::readDataFile(QDir(out).filePath(files[2]));
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QCOMPARE(read.content->list.rows.size(), std::size_t(240));
        QVERIFY(QFileInfo(m_dir.filePath("raw.bin")).size() > 768);
    }

    void idAndInterval_writeAndReadBack_data() {
        QTest::addColumn<QStringList>("write");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QString>("value");
        QTest::newRow("id") << QStringList{"id", "258"} << QStringList{"id"} << "258";
        QTest::newRow("interval") << QStringList{"interval", "12.5"} << QStringList{"interval"}
                                  << "12.5 s";
    }
    void idAndInterval_writeAndReadBack() {
        QFETCH(QStringList, write);
        QFETCH(QStringList, read);
        QFETCH(QString, value);
        const CliResult w = run(write);
        QCOMPARE(w.exitCode, 0);
        QCOMPARE(w.out.trimmed(), "Write OK !!! " + value);
        QCOMPARE(run(read).out.trimmed(), value);
    }

    void badValues_areRefusedBeforeTheMeter_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("id 12.7") << QStringList{"id", "12.7"};
        QTest::newRow("interval 0.05") << QStringList{"interval", "0.05"};
        QTest::newRow("erase without --yes") << QStringList{"erase"};
        QTest::newRow("record without interval") << QStringList{"record", "x.dat"};
    }
    void badValues_areRefusedBeforeTheMeter() {
        QFETCH(QStringList, args);
        QCOMPARE(run(args).exitCode, 1);
    }

    void erase_leavesNoSets() {
        QVERIFY(command("sets 2"));
        QCOMPARE(run({"erase", "--yes"}).out.trimmed(), QString("Deleted OK !!!"));
        const CliResult d = run({"download", m_dir.filePath("after")});
        QCOMPARE(d.exitCode, 0);
        QVERIFY(d.out.contains("memory remaining: 32 K"));
    }

    void record_goesOnThroughASilentMeter_andCountsTheMisses() {
        const QString file = m_dir.filePath("rec.dat");
        QProcess cli;
        start(cli, {"record", file, "--interval", "0.2", "--count", "25", "--archive",
                    m_dir.filePath("rec-archive.sqlite")});
        QTest::qWait(1500);
        QVERIFY(command("silent on"));
        QTest::qWait(1800);
        QVERIFY(command("silent off"));
        const CliResult r = finish(cli);
        QCOMPARE(r.exitCode, 0);
        const auto read = nd::stored::readDataFile(file);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        const auto& rows = read.content->list.rows;
        QVERIFY(rows.size() >= 5 && rows.size() < 25);
        QVERIFY2(r.out.contains(QStringLiteral("%1 missed").arg(25 - rows.size())),
                 qPrintable(r.out));
        for (const auto& row : rows)
            QCOMPARE(row.value, QString("94.5"));
        QVERIFY2(r.err.contains("rec.dat: archived as 1"), qPrintable(r.err));
    }

    void aStoppedOrKilledRecording_leavesAReadableFile_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("Ctrl+C") << int(SIGINT) << 130;
        QTest::newRow("SIGKILL") << int(SIGKILL) << -1;
    }
    void aStoppedOrKilledRecording_leavesAReadableFile() {
        QFETCH(int, signal);
        const QString file = m_dir.filePath(QStringLiteral("stopped%1.dat").arg(signal));
        QProcess cli;
        start(cli, {"record", file, "--interval", "0.2"});
        QTest::qWait(2500);
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        const CliResult r = finish(cli);
        QTEST(r.exitCode, "exitCode");
        const auto read = nd::stored::readDataFile(file);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QVERIFY(read.content->list.rows.size() >= 5);
        if (signal == SIGINT)
            QVERIFY(r.out.startsWith(
                QStringLiteral("recorded %1 samples").arg(read.content->list.rows.size())));
    }

    void export_printsCsvOfEitherFlavour() {
        QProcess cli;
        cli.start(nd::test::programPath("noisedesk-cli"),
                  {"export", m_dir.filePath("rec.dat"), "--csv"}); // no port needed
        const CliResult r = finish(cli);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("No.s,Date,Time,dBA\r\n1,20"));
        QCOMPARE(r.out.mid(26, 1), QString("-")); // ISO date
    }
};

QTEST_GUILESS_MAIN(CliStoredTest)
#include "test_cli_stored.moc"
