// noisedesk-cli setup against noisedesk-sim over a pseudo-terminal: the same transfer as
// the Setup window, its read-back printed, the exit code telling whether it took.

#include "Child.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
        QVERIFY(r.out.contains("exchange rate: 5 dB\n"));
        QVERIFY(r.out.trimmed().endsWith("Set up successfully."));
        QVERIFY(r.err.contains("of them the meter's fixed pauses"));
    }

    void lockedMeterIsRefusedWithANonZeroExit() {
        QCOMPARE(command("key-lock on"), QString("ok"));
        const CliResult r = runCli({"--port", m_device, "setup", "--standard", "u.k"});
        QCOMPARE(command("key-lock off"), QString("ok"));
        QCOMPARE(r.exitCode, 5);
        QVERIFY(r.err.contains("Key locked!"));
        QVERIFY2(r.out.contains("exchange rate: 5 dB  [did not take: asked 3]"), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(CliSetupTest)
#include "test_cli_setup.moc"
