// noisedesk-cli setup against noisedesk-sim over a pseudo-terminal: the same transfer as
// the Setup window, its read-back printed, the exit code telling whether it took.

#include "Child.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using CliResult = nd::test::ProgramResult;

CliResult runCli(const QStringList& args) {
    return nd::test::runProgram("noisedesk-cli", args);
}

} // namespace

class CliSetupTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    nd::test::Child m_sim{"noisedesk-sim", {"--link", m_dir.filePath("meter")}};
    QString m_device;

    QString command(const QString& line) { return m_sim.ask(line); }

private slots:
    void initTestCase() {
        QVERIFY(m_sim.started());
        m_device = m_sim.nextLine();
    }

    void cleanupTestCase() { m_sim.command("quit"); }

    void refusedOptionsTouchNothing_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing asked") << QStringList{} << "at least one";
        QTest::newRow("31 June") << QStringList{"--clock", "2025-06-31 10:00"} << "1 to 30";
        QTest::newRow("unknown country") << QStringList{"--standard", "Atlantis"} << "U.S.A";
        QTest::newRow("standard and criterion")
            << QStringList{"--standard", "Japan", "--criterion", "90"} << "not both";
    }
    void refusedOptionsTouchNothing() {
        QFETCH(QStringList, options);
        QFETCH(QString, error);
        const CliResult r = runCli(QStringList{"--port", m_device, "setup"} + options);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(error), qPrintable(r.err));
        QCOMPARE(command("cell 59"), QString("80"));
    }

    void setsAnItemAndPrintsTheMeterReadBack() {
        const CliResult r =
            runCli({"--port", m_device, "setup", "--criterion", "80", "--threshold", "85"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("criterion level: 80 dB  [set]"), qPrintable(r.out));
        // The threshold is capped at the criterion level the meter now has.
        QVERIFY2(r.out.contains("threshold level: 80 dB  [set]"), qPrintable(r.out));
        QVERIFY2(r.out.contains("threshold level: asked 85 dB, capped at the criterion level"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("exchange rate: 5 dB\n"));
        QVERIFY(r.out.trimmed().endsWith("Set up successfully."));
        QVERIFY(r.err.contains("of them the meter's fixed pauses"));
    }

    void lockedOrSilentMeterIsRefusedWithNothingSent_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("locked") << "key-lock" << 6 << "Key locked!\n"
                                << "";
        QTest::newRow("silent, --timeout 1") << "silent" << 2 << ""
                                             << "did not answer within 1 s";
    }
    void lockedOrSilentMeterIsRefusedWithNothingSent() {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QCOMPARE(command(fault + " on"), QString("ok"));
        const CliResult r =
            runCli({"--port", m_device, "--timeout", "1", "setup", "--threshold", "70"});
        QCOMPARE(command(fault + " off"), QString("ok"));
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(command("cell 59"), QString("80"));
    }

    void ctrlCAbandonsTheSetupAndSaysWhatTheMeterHolds() {
        QProcess cli;
        cli.start(nd::test::programPath("noisedesk-cli"),
                  {"--port", m_device, "setup", "--threshold", "70"});
        QVERIFY(cli.waitForStarted());
        // Interrupted once the threshold has begun to change.
        QVERIFY(QTest::qWaitFor([&] { return command("cell 59").toInt() < 80; }, 30000));
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        const CliResult r = nd::test::finishProgram(cli);
        const int now = command("cell 59").toInt();
        command("set 59 80");
        QCOMPARE(r.exitCode, 130);
        QVERIFY2(!r.err.contains("nothing was written"), qPrintable(r.err));
        QVERIFY2(r.err.contains("abandoned"), qPrintable(r.err));
        QVERIFY2(r.out.contains(QString("threshold level: %1 dB  [did not take: asked 70]  (was "
                                        "80 dB)")
                                    .arg(now)),
                 qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(CliSetupTest)
#include "test_cli_setup.moc"
