// noisedesk-sim: the virtual meter on a pseudo-terminal, for trying the program without
// a meter and for integration tests. Prints the device to open, then takes commands
// from standard input (see Console.h and README.md).

#include "Console.h"
#include "PtySimulator.h"
#include "VirtualMeter.h"
#include "link/Clock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

using namespace nd::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    if (::write(g_signalPipe[1], &byte, 1) < 0) {
        // Nothing to do inside a signal handler; the pipe is only a wake-up.
    }
}

bool catchStopSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a reader that went away must not kill us
    return true;
}

void printLine(const QString& line, FILE* stream = stdout) {
    std::fputs(line.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

struct Startup {
    QString linkPath;
    std::uint32_t seed = 1;
    double level = 0.0;
    Faults faults;
    bool keyLocked = false;
};

std::optional<Startup> readStartup(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual noise dosimeter on a pseudo-terminal. Prints the device "
                       "to open, then reads commands, one a line, from standard input."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Stable path (a symlink) to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the sound."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption level(QStringLiteral("level"),
                                   QStringLiteral("Fixed sound level instead of the simulated."),
                                   QStringLiteral("DB"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption bad(QStringLiteral("bad-frames"),
                                 QStringLiteral("End replies with 0x04 instead of ETX."));
    const QCommandLineOption shortReplies(QStringLiteral("short-replies"),
                                          QStringLiteral("Drop the last byte of replies."));
    const QCommandLineOption junk(QStringLiteral("junk"),
                                  QStringLiteral("Send two stray bytes before replies."));
    const QCommandLineOption slow(
        QStringLiteral("slow"), QStringLiteral("Answer this many ms later."), QStringLiteral("MS"));
    const QCommandLineOption dumpStop(QStringLiteral("dump-stop"),
                                      QStringLiteral("Stop memory dumps after N bytes."),
                                      QStringLiteral("N"));
    const QCommandLineOption keyLocked(QStringLiteral("key-locked"),
                                       QStringLiteral("Start with the keys locked."));
    parser.addOptions(
        {link, seed, level, silent, bad, shortReplies, junk, slow, dumpStop, keyLocked});
    parser.process(app);

    Startup s;
    bool ok = true;
    auto check = [&ok](bool good) { ok = ok && good; };
    if (parser.isSet(link))
        s.linkPath = QFileInfo(parser.value(link)).absoluteFilePath();
    bool good = false;
    s.seed = parser.value(seed).toUInt(&good);
    check(good);
    if (parser.isSet(level)) {
        s.level = parser.value(level).toDouble(&good);
        check(good && s.level >= 0.0);
    }
    if (parser.isSet(slow)) {
        s.faults.extraLatency = parser.value(slow).toInt(&good) / 1000.0;
        check(good && s.faults.extraLatency >= 0.0);
    }
    if (parser.isSet(dumpStop)) {
        s.faults.dumpStopsAfter = parser.value(dumpStop).toInt(&good);
        check(good);
    }
    s.faults.silent = parser.isSet(silent);
    s.faults.badFrames = parser.isSet(bad);
    s.faults.shortReplies = parser.isSet(shortReplies);
    s.faults.junkBeforeFrame = parser.isSet(junk);
    s.keyLocked = parser.isSet(keyLocked);
    if (!ok)
        return std::nullopt;
    return s;
}

/// Runs the commands of standard input until "quit", end of input or a stop signal.
void serveConsole(Console& console) {
    QByteArray pending;
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        const bool ended = n <= 0;
        if (!ended)
            pending.append(buffer, n);
        else
            pending.append('\n'); // a last line without its newline still counts
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const Console::Reply reply = console.execute(QString::fromUtf8(pending.left(end)));
            pending.remove(0, end + 1);
            if (!reply.text.isEmpty())
                printLine(reply.text);
            if (reply.quit)
                return;
        }
        if (ended)
            return;
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("noisedesk-sim"));
    const std::optional<Startup> startup = readStartup(app);
    if (!startup) {
        printLine(QStringLiteral("noisedesk-sim: invalid option value"), stderr);
        return 2;
    }

    auto clock = std::make_shared<nd::link::RealClock>();
    VirtualMeter::Options options;
    options.seed = startup->seed;
    options.calendarStart = QDateTime::currentDateTime();
    options.timeOrigin = clock->now();
    auto meter = std::make_shared<VirtualMeter>(options);
    meter->setFaults(startup->faults);
    meter->setFixedLevel(startup->level);
    meter->setKeyLocked(startup->keyLocked);

    PtySimulator simulator(meter, startup->linkPath);
    if (!catchStopSignals() || !simulator.start()) {
        printLine(QStringLiteral("noisedesk-sim: ") + simulator.errorString(), stderr);
        return 1;
    }
    printLine(simulator.devicePath());

    Console console(*meter, {[clock] { return clock->now(); }, [&] { simulator.unplug(); },
                             [&] { simulator.replug(); }});
    serveConsole(console);
    simulator.stop();
    return 0;
}
