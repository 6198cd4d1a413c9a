// The real noisedesk program on the real serial code, against noisedesk-sim on a
// pseudo-terminal. Both run as child processes; the program's --trace lines tell what
// its main window shows.
#include "Child.h"

#include <QTemporaryDir>
#include <QTest>

using nd::test::Child;

namespace {

/// Matches a trace line that begins with `prefix`.
std::function<bool(const QString&)> startingWith(const char* prefix) {
    return [prefix](const QString& line) { return line.startsWith(QLatin1String(prefix)); };
}

} // namespace

class AppEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_folder.isValid());
        m_simulator = std::make_unique<Child>("noisedesk-sim",
                                              QStringList{"--link", m_folder.filePath("meter")});
        QVERIFY(m_simulator->started());
        const QString device = m_simulator->nextLine();
        QCOMPARE(device, m_folder.filePath("meter"));
        m_program = std::make_unique<Child>(
            "noisedesk", QStringList{"--port", device, "--no-port-window", "--trace"});
        QVERIFY(m_program->started());
        QVERIFY2(m_program->waitForLine(startingWith("value "), 10000) >= 0,
                 qPrintable(m_program->transcript()));
        QVERIFY2(m_program->waitForLine("com meter", 0) >= 0, qPrintable(m_program->transcript()));
    }

    void cleanup() {
        if (m_simulator)
            m_simulator->command("quit");
        m_program.reset();
        m_simulator.reset();
    }

    void silentMeter_showsNoComThenRecovers() {
        loseAndRecover("silent on", "silent off", "value ");
    }

    void unpluggedAdapter_linkComesBackAfterReplug() {
        // Readings flow again: the poll count goes on after the link is back.
        loseAndRecover("unplug", "replug", "poll ");
    }

private:
    /// The window says "No COM" after `lose`, and after `recover` names the meter again
    /// and goes on tracing lines that start with `afterwards`.
    void loseAndRecover(const char* lose, const char* recover, const char* afterwards) {
        const qsizetype before = m_program->lineCount();
        QVERIFY(m_simulator->command(lose));
        const qsizetype lost = m_program->waitForLine("com No COM", Child::kWait, before);
        QVERIFY2(lost >= 0, qPrintable(m_program->transcript()));
        QVERIFY(m_simulator->command(recover));
        const qsizetype back = m_program->waitForLine("com meter", Child::kWait, lost);
        QVERIFY2(back >= 0, qPrintable(m_program->transcript()));
        QVERIFY(m_program->waitForLine(startingWith(afterwards), Child::kWait, back) >= 0);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<Child> m_simulator;
    std::unique_ptr<Child> m_program;
};

QTEST_GUILESS_MAIN(AppEndToEnd)
#include "test_app_end_to_end.moc"
