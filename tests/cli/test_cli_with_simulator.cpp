// noisedesk-cli against noisedesk-sim over a real pseudo-terminal: the whole serial path.

#include "Child.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using CliResult = nd::test::ProgramResult;

CliResult runCli(const QStringList& args) {
    return nd::test::runProgram("noisedesk-cli", args, 30000);
}

} // namespace

class CliWithSimulatorTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    nd::test::Child m_sim{"noisedesk-sim", {"--link", m_dir.filePath("meter"), "--level", "94.5"}};
    QString m_device;

private slots:
    void initTestCase() {
        QVERIFY(m_sim.started());
        m_device = m_sim.nextLine();
        QCOMPARE(m_device, m_dir.filePath("meter"));
    }

    void cleanupTestCase() { m_sim.command("quit"); }

    void readsACell_writesIt_andReadsItBack() {
        CliResult read = runCli({"--port", m_device, "read", "59"});
        QCOMPARE(read.exitCode, 0);
        bool number = false;
        QVERIFY(read.out.trimmed().toInt(&number) > 0 && number);

        QCOMPARE(runCli({"--port", m_device, "write", "1000", "55"}).exitCode, 0);
        read = runCli({"--port", m_device, "read", "1000"});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.out.trimmed(), QString("55"));
    }

    void watchesAFewReadings() {
        const CliResult watch = runCli({"--port", m_device, "--csv", "--count", "3", "watch"});
        QCOMPARE(watch.exitCode, 0);
        const QStringList lines = watch.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[1].endsWith(",94.5,dBA"), qPrintable(lines[1]));
    }

    void aSilencedMeter_endsWithinTheBound() {
        QVERIFY(m_sim.command("silent on"));
        const CliResult read = runCli({"--port", m_device, "--timeout", "2", "read", "59"});
        QCOMPARE(read.exitCode, 2);
        QVERIFY(read.err.contains("did not answer"));
        QVERIFY(m_sim.command("silent off"));
        QCOMPARE(runCli({"--port", m_device, "read", "59"}).exitCode, 0);
    }

    void banks_readOneAsJsonAndSaveIt() {
        const QString file = m_dir.filePath("e1.bnk");
        const CliResult banks =
            runCli({"--port", m_device, "--json", "--bank", "1", "--out", file, "banks"});
        QCOMPARE(banks.exitCode, 0);
        QVERIFY2(!banks.err.contains('\r'), qPrintable(banks.err)); // whole lines in a pipe
        const QJsonArray list = QJsonDocument::fromJson(banks.out.toUtf8()).array();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.at(0)["rows"]["Used or not"].toString(), QString("Used"));
        QVERIFY(QFileInfo(file).size() > 0);
    }

    void aMissingPort_isExplained() {
        const CliResult read = runCli({"--port", m_dir.filePath("nothing"), "read", "59"});
        QCOMPARE(read.exitCode, 3);
        QVERIFY(read.err.contains("does not exist"));
    }
};

QTEST_GUILESS_MAIN(CliWithSimulatorTest)
#include "test_cli_with_simulator.moc"
