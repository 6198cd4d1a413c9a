// noisedesk-cli against noisedesk-sim over a pseudo-terminal: the whole serial path, the
// exit codes, the stored-data verbs, and setup (the same transfer as the Setup window, its
// read-back printed, the exit code telling whether it took).

#include "../realtime/Fetch.h"
#include "Child.h"
#include "stored/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using CliResult = nd::test::ProgramResult;
using nd::test::finishProgram;

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
        return finishProgram(cli);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_sim.started());
        m_device = m_sim.nextLine();
    }

    void cleanupTestCase() { m_sim.command("quit"); }

    void theSerialPathAndItsExitCodes() {
        QCOMPARE(run({"write", "1000", "55"}).exitCode, 0);
        QCOMPARE(run({"read", "1000"}).out, QString("55\n"));
        const QString file = m_dir.filePath("e1.bnk");
        const CliResult banks = run({"--json", "--bank", "1", "--out", file, "banks"});
        QCOMPARE(banks.exitCode, 0);
        QVERIFY2(!banks.err.contains('\r'), qPrintable(banks.err)); // whole lines in a pipe
        QVERIFY(banks.out.startsWith("[") && QFileInfo(file).size() > 0);

        QVERIFY(run({"status"}).out.contains("threshold level: 80 dB"));
    }

    void download_writesOneReadableFilePerSet() {
        QVERIFY(command("sets 3"));
        QVERIFY(command("set 40 0"));
        const QString out = m_dir.filePath("sets");
        const QString archive = m_dir.filePath("archive.sqlite");
        const CliResult r =
            run({"download", out, "--raw", m_dir.filePath("raw.bin"), "--archive", archive});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count(QRegularExpression(": archived as [0-9]+\n")), 3);
        // The same memory again: nothing new.
        const CliResult again = run({"download", out, "--archive", archive});
        QCOMPARE(again.err.count("already in the archive as"), 3);
        const QStringList files = QDir(out).entryList({"*.dat"}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 3);
        QVERIFY(files[0].startsWith("set001_"));
        QVERIFY(r.out.contains("memory remaining: 28.1 K"));
        const auto read = nd::stored::readDataFile(QDir(out).filePath(files[2]));
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QCOMPARE(read.content->list.rows.size(), std::size_t(240));
        QVERIFY(QFileInfo(m_dir.filePath("raw.bin")).size() > 768);
    }

    // A damaged set is skipped, a bad header kept, a pointer table that cannot be right
    // refused before the dump: each said, and exit 6.
    void download_saysWhenTheDataAreDamaged_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("said");
        QTest::newRow("set 1 starts in the header") << "set 513 0" << 2 << "set 1 is damaged";
        QTest::newRow("interval 0") << "interval0" << 3 << "interval of 0";
        QTest::newRow("60 sets, end word 0") << "set 22 60" << 0 << "pointer table cannot be right";
    }
    void download_saysWhenTheDataAreDamaged() {
        QFETCH(QString, damage);
        QFETCH(int, files);
        QVERIFY(command("sets 3"));
        if (damage == "interval0") {
            const int start = m_sim.ask("cell 514").toInt() + 256 * m_sim.ask("cell 515").toInt();
            QVERIFY(command(QStringLiteral("set %1 0").arg(start + 6)));
            QVERIFY(command(QStringLiteral("set %1 0").arg(start + 7)));
        } else {
            QVERIFY(command(damage));
        }
        const QString out = m_dir.filePath(QStringLiteral("damaged%1").arg(files));
        const CliResult r = run({"download", out});
        QCOMPARE(r.exitCode, 7);
        QVERIFY2(r.err.contains(QFETCH_TYPE(QString, said)), qPrintable(r.err));
        QCOMPARE(QDir(out).entryList({"*.dat"}, QDir::Files).size(), files);
        QVERIFY(!r.out.contains("ID code: 0, ") && (files > 0 || !r.out.contains("dump:")));
    }

    // A locked or silent meter, or one not showing dBA: the exit code says so, nothing is
    // written, erased or set.
    void refusedByTheMeter_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("fault"); // switched on and off; "mode" pressed round (%DOSE)
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("id") << QStringList{"id", "999"} << "key-lock" << 6 << "Key locked!";
        QTest::newRow("erase") << QStringList{"erase", "--yes"} << "key-lock" << 6 << "Key locked!";
        QTest::newRow("setup locked")
            << QStringList{"setup", "--threshold", "70"} << "key-lock" << 6 << "Key locked!";
        QTest::newRow("setup silent") << QStringList{"setup", "--threshold", "70"} << "silent" << 2
                                      << "did not answer within 1 s";
        QTest::newRow("record in %DOSE")
            << QStringList{"record", m_dir.filePath("dose.dat"), "--interval", "0.2", "--count",
                           "3"}
            << "mode" << 8 << "does not show dBA";
    }
    void refusedByTheMeter() {
        QFETCH(QStringList, args);
        QFETCH(QString, fault);
        QVERIFY(command("sets 1"));
        const bool mode = fault == "mode";
        QVERIFY(command(mode ? "press 1" : fault + " on"));
        const CliResult r = run(QStringList{"--timeout", "1"} + args);
        for (const QString& c : mode ? QStringList(3, "press 1") : QStringList{fault + " off"})
            QVERIFY(command(c));
        QTEST(r.exitCode, "exitCode");
        QVERIFY2((r.out + r.err).contains(QFETCH_TYPE(QString, said)), qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains("OK") && !r.out.contains("successfully"), qPrintable(r.out));
        if (args[0] == "id") // the interval is written the same way
            QVERIFY(run({"id"}).out.trimmed() != "999");
        QCOMPARE(m_sim.ask("cell 22").trimmed(), QString("1"));
        QCOMPARE(m_sim.ask("cell 59"), QString("80"));
    }

    void idIntervalAndErase_takeAndReadBack() {
        QCOMPARE(run({"id", "258"}).out.trimmed(), QString("Write OK !!! 258"));
        QCOMPARE(run({"id"}).out.trimmed(), QString("258"));
        QCOMPARE(run({"interval", "12.5"}).out.trimmed(), QString("Write OK !!! 12.5 s"));
        QCOMPARE(run({"interval"}).out.trimmed(), QString("12.5 s"));
        QVERIFY(command("sets 2"));
        QCOMPARE(run({"erase", "--yes"}).out.trimmed(), QString("Deleted OK !!!"));
        const CliResult d = run({"download", m_dir.filePath("after")});
        QCOMPARE(d.exitCode, 0);
        QVERIFY(d.out.contains("memory remaining: 32 K"));
    }

    void record_goesOnThroughASilentMeter_andCountsTheMisses() {
        const QString file = m_dir.filePath("rec.dat");
        QProcess cli;
        start(cli, {"record", file, "--interval", "0.2", "--count", "30", "--archive",
                    m_dir.filePath("rec-archive.sqlite")});
        QTest::qWait(1500);
        QVERIFY(command("silent on"));
        QTest::qWait(1800);
        QVERIFY(command("silent off"));
        const CliResult r = finishProgram(cli);
        QCOMPARE(r.exitCode, 0);
        const auto read = nd::stored::readDataFile(file);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        const auto& rows = read.content->list.rows;
        QVERIFY(rows.size() >= 5 && rows.size() < 30);
        QVERIFY2(r.out.contains(QStringLiteral("%1 missed").arg(30 - rows.size())),
                 qPrintable(r.out));
        // Lines resume once the meter answers again: the last samples are written.
        QVERIFY2(rows.back().number.toInt() >= 27, qPrintable(rows.back().number));
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
        const CliResult r = finishProgram(cli);
        QTEST(r.exitCode, "exitCode");
        const auto read = nd::stored::readDataFile(file);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QVERIFY(read.content->list.rows.size() >= 5);
        if (signal == SIGINT)
            QVERIFY(r.out.startsWith(
                QStringLiteral("recorded %1 samples").arg(read.content->list.rows.size())));
    }

    // The built-in virtual meter holds a shift to try: sets, one across midnight, some
    // over-range records.
    void theBuiltInMeter_hasALoggedShift() {
        const QString out = m_dir.filePath("shift");
        const CliResult r = nd::test::runProgram("noisedesk-cli", {"--simulate", "download", out});
        QCOMPARE(r.exitCode, 0);
        const QStringList files = QDir(out).entryList({"*.dat"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 3, qPrintable(r.out));
        bool acrossMidnight = false;
        for (const QString& name : files) {
            const auto read = nd::stored::readDataFile(QDir(out).filePath(name));
            QVERIFY(read.ok());
            const auto& rows = read.content->list.rows;
            acrossMidnight |= rows.front().date != rows.back().date;
        }
        QVERIFY(acrossMidnight);
    }

    // Bad values are refused (exit 1) before anything reaches the meter.
    void refusedOptionsTouchNothing_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("id 12.7") << QStringList{"id", "12.7"} << "whole number";
        QTest::newRow("interval 0.05") << QStringList{"interval", "0.05"} << "";
        QTest::newRow("erase without --yes") << QStringList{"erase"} << "";
        QTest::newRow("record without interval") << QStringList{"record", "x.dat"} << "";
        QTest::newRow("setup nothing asked") << QStringList{"setup"} << "at least one";
        QTest::newRow("31 June") << QStringList{"setup", "--clock", "2025-06-31 10:00"}
                                 << "1 to 30";
        QTest::newRow("unknown country")
            << QStringList{"setup", "--standard", "Atlantis"} << "U.S.A";
        QTest::newRow("standard and criterion")
            << QStringList{"setup", "--standard", "Japan", "--criterion", "90"} << "not both";
    }
    void refusedOptionsTouchNothing() {
        QVERIFY(command("sets 1"));
        const CliResult r = run(QFETCH_TYPE(QStringList, args));
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QFETCH_TYPE(QString, error)), qPrintable(r.err));
        QCOMPARE(m_sim.ask("cell 22").trimmed(), QString("1"));
        QCOMPARE(m_sim.ask("cell 59"), QString("80"));
    }

    void setsAnItemAndPrintsTheMeterReadBack() {
        const CliResult r = run({"setup", "--criterion", "80", "--threshold", "85"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("criterion level: 80 dB  [set]"), qPrintable(r.out));
        // The threshold is capped at the criterion level the meter now has.
        QVERIFY2(r.out.contains("threshold level: 80 dB  [set]"), qPrintable(r.out));
        QVERIFY2(r.out.contains("threshold level: asked 85 dB, capped at the criterion level"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("exchange rate: 5 dB\n"));
        QVERIFY(r.out.trimmed().endsWith("Set up successfully."));
    }

    void ctrlCAbandonsTheSetupAndSaysWhatTheMeterHolds() {
        QProcess cli;
        start(cli, {"setup", "--threshold", "70"});
        // Interrupted once the threshold has begun to change.
        QVERIFY(QTest::qWaitFor([&] { return m_sim.ask("cell 59").toInt() < 80; }, 30000));
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        const CliResult r = finishProgram(cli);
        const int now = m_sim.ask("cell 59").toInt();
        m_sim.ask("set 59 80");
        QCOMPARE(r.exitCode, 130);
        QVERIFY2(!r.err.contains("nothing was written"), qPrintable(r.err));
        QVERIFY2(r.err.contains("abandoned"), qPrintable(r.err));
        QVERIFY2(r.out.contains(QString("threshold level: %1 dB  [did not take: asked 70]  (was "
                                        "80 dB)")
                                    .arg(now)),
                 qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(CliStoredTest)
#include "test_cli_stored.moc"
