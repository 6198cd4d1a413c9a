// The real noisedesk program on the real serial code, against noisedesk-sim on a
// pseudo-terminal. Both run as child processes; the program's --trace lines tell what
// its main window shows.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kStartWait = 10000;
constexpr int kWait = 8000;

QString binary(const QString& name) {
    return QDir(qEnvironmentVariable("NOISEDESK_BIN_DIR")).filePath(name);
}

/// A child process read line by line.
class Child {
public:
    explicit Child(const QString& program, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, arguments);
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool started() { return m_process.waitForStarted(kStartWait); }

    /// The first line from `from` on that satisfies `match`; its index, or -1 on time-out.
    qsizetype waitForLine(const std::function<bool(const QString&)>& match, int timeoutMs,
                          qsizetype from = 0) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            collect();
            for (qsizetype i = from; i < m_lines.size(); ++i) {
                if (match(m_lines[i]))
                    return i;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return -1;
            m_process.waitForReadyRead(
                static_cast<int>(qMin<qint64>(deadline.remainingTime(), 200)));
        }
    }
    qsizetype waitForLine(const QString& exact, int timeoutMs, qsizetype from = 0) {
        return waitForLine([&](const QString& line) { return line == exact; }, timeoutMs, from);
    }
    qsizetype lineCount() {
        collect();
        return m_lines.size();
    }
    QString line(qsizetype index) const { return m_lines.value(index); }
    QString transcript() const { return m_lines.join('\n'); }

    /// Sends a console command and waits for its "ok".
    bool command(const QString& text) {
        const qsizetype before = lineCount();
        m_process.write(text.toUtf8() + '\n');
        m_process.waitForBytesWritten(1000);
        return waitForLine("ok", kWait, before) >= 0;
    }

private:
    void collect() {
        m_partial += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines << QString::fromLocal8Bit(m_partial.left(end));
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
};

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
        m_simulator = std::make_unique<Child>(binary("noisedesk-sim"),
                                              QStringList{"--link", m_folder.filePath("meter")});
        QVERIFY(m_simulator->started());
        QVERIFY(m_simulator->waitForLine([](const QString&) { return true; }, kStartWait) == 0);
        m_device = m_simulator->line(0);
        QCOMPARE(m_device, m_folder.filePath("meter"));
        m_program = std::make_unique<Child>(
            binary("noisedesk"), QStringList{"--port", m_device, "--no-port-window", "--trace"});
        QVERIFY(m_program->started());
        QVERIFY2(m_program->waitForLine(startingWith("value "), kStartWait) >= 0,
                 qPrintable(m_program->transcript()));
        QVERIFY(m_program->waitForLine(startingWith("started "), 0) >= 0);
        QVERIFY(m_program->waitForLine(startingWith("first-reading "), kWait) >= 0);
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
        const qsizetype lost = m_program->waitForLine("com No COM", kWait, before);
        QVERIFY2(lost >= 0, qPrintable(m_program->transcript()));
        QVERIFY(m_simulator->command(recover));
        const qsizetype back = m_program->waitForLine("com meter", kWait, lost);
        QVERIFY2(back >= 0, qPrintable(m_program->transcript()));
        QVERIFY(m_program->waitForLine(startingWith(afterwards), kWait, back) >= 0);
    }

    QTemporaryDir m_folder;
    QString m_device;
    std::unique_ptr<Child> m_simulator;
    std::unique_ptr<Child> m_program;
};

QTEST_GUILESS_MAIN(AppEndToEnd)
#include "test_app_end_to_end.moc"
