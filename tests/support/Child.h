#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace nd::test {

/// How a run of one of the built programs ended and what it printed.
struct ProgramResult {
    int exitCode = -1; ///< -1 when it crashed or had to be killed
    QString out;
    QString err;
};

/// Waits for a started program to end (killing it after `waitMs`) and collects its output.
inline ProgramResult finishProgram(QProcess& process, int waitMs = 60000) {
    ProgramResult result;
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

/// The path of a built program (noisedesk, noisedesk-cli, noisedesk-sim).
inline QString programPath(const QString& program) {
    return QDir(qEnvironmentVariable("NOISEDESK_BIN_DIR")).filePath(program);
}

/// Runs a built program to its end.
inline ProgramResult runProgram(const QString& program, const QStringList& arguments,
                                int waitMs = 60000) {
    QProcess process;
    process.start(programPath(program), arguments);
    return finishProgram(process, waitMs);
}

/// One of the built programs (noisedesk, noisedesk-sim) run as a child process, its
/// standard output read line by line. Ended on destruction if still running.
class Child {
public:
    static constexpr int kWait = 8000;

    Child(const QString& program, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_process.setProcessEnvironment(environment);
        m_process.start(programPath(program), arguments);
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QProcess& process() { return m_process; }
    bool started() { return m_process.waitForStarted(kWait); }

    /// The first line from `from` on that satisfies `match`; its index, or -1 on time-out.
    qsizetype waitForLine(const std::function<bool(const QString&)>& match, int timeoutMs = kWait,
                          qsizetype from = 0) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_partial += m_process.readAllStandardOutput();
            for (qsizetype end; (end = m_partial.indexOf('\n')) >= 0; m_partial.remove(0, end + 1))
                m_lines << QString::fromLocal8Bit(m_partial.left(end));
            for (qsizetype i = from; i < m_lines.size(); ++i) {
                if (match(m_lines[i]))
                    return i;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return -1;
            m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 200)));
        }
    }
    qsizetype waitForLine(const QString& exact, int timeoutMs = kWait, qsizetype from = 0) {
        return waitForLine([&](const QString& line) { return line == exact; }, timeoutMs, from);
    }
    /// The next line not yet returned, or "(no answer)".
    QString nextLine() {
        const qsizetype i = waitForLine([](const QString&) { return true; }, kWait, m_taken);
        m_taken = i >= 0 ? i + 1 : m_taken;
        return i >= 0 ? m_lines[i] : QStringLiteral("(no answer)");
    }
    /// Sends a console command and returns the answer.
    QString ask(const QString& text) {
        m_taken = lineCount();
        m_process.write(text.toUtf8() + '\n');
        return nextLine();
    }
    /// Sends a console command and waits for its "ok".
    bool command(const QString& text) {
        const qsizetype before = lineCount();
        m_process.write(text.toUtf8() + '\n');
        return waitForLine("ok", kWait, before) >= 0;
    }
    qsizetype lineCount() {
        waitForLine([](const QString&) { return false; }, 0);
        return m_lines.size();
    }
    QString transcript() const { return m_lines.join('\n'); }

private:
    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    qsizetype m_taken = 0;
};

} // namespace nd::test
