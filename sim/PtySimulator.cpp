#include "PtySimulator.h"

#include "VirtualMeter.h"
#include "link/Clock.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace nd::sim {

namespace {
/// Longest the serving thread sleeps, so stop() and new bytes are never kept waiting.
constexpr int kIdlePollMs = 50;
constexpr int kReadChunk = 512;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

/// Writes what the descriptor takes now; the rest is lost, as bytes are on a real line
/// whose receiver does not read.
void writeOrLose(int fd, const QByteArray& bytes) {
    if (::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) < 0) {
        // EAGAIN: the terminal's buffer is full; EIO: nobody holds the other side.
    }
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

struct PtySimulator::Impl {
    std::shared_ptr<VirtualMeter> meter;
    QString linkPath;
    link::RealClock clock;

    std::mutex mutex; // guards everything below except `stopping` and `thread`
    int master = -1;
    /// Our own slave descriptor, held open so the master never sees a hang-up when the
    /// program closes its side between two sessions.
    int heldSlave = -1;
    /// Bumped whenever the terminal is replaced, so the serving thread never uses a
    /// descriptor that was closed while it was polling.
    std::uint64_t generation = 0;
    QString terminal;
    QString error;
    std::deque<VirtualMeter::TimedByte> outbox;
    int wakeRead = -1;
    int wakeWrite = -1;

    std::atomic<bool> stopping{false};
    std::thread thread;

    bool openTerminal();
    void closeTerminal();
    bool pointLink();
    void removeLink();
    void wake();
    void drainWake();

    void serve();
    int pollTimeoutMs();
    void readCommands();
    void sendDue();
};

bool PtySimulator::Impl::openTerminal() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("pseudo-terminal setup");
        closeTerminal();
        return false;
    }
    heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (heldSlave < 0 || ::tcgetattr(heldSlave, &raw) != 0) {
        error = systemError("open terminal");
        closeTerminal();
        return false;
    }
    // Bytes must pass unchanged both ways: no echo, no line editing, no CR/LF mapping.
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    ::tcsetattr(heldSlave, TCSANOW, &raw);
    // A full terminal buffer (nobody reading) must not block the serving thread.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    terminal = QString::fromLocal8Bit(name);
    ++generation;
    return true;
}

void PtySimulator::Impl::closeTerminal() {
    closeFd(master); // the program's open terminal is hung up from here on
    closeFd(heldSlave);
    outbox.clear();
    ++generation;
}

bool PtySimulator::Impl::pointLink() {
    if (linkPath.isEmpty())
        return true;
    // Make the new link beside the old one and rename it over, so the path never dangles.
    const QByteArray target = terminal.toLocal8Bit();
    const QByteArray path = linkPath.toLocal8Bit();
    const QByteArray temporary = path + ".new";
    ::unlink(temporary.constData());
    if (::symlink(target.constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), path.constData()) != 0) {
        error = systemError("link path");
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

void PtySimulator::Impl::removeLink() {
    if (!linkPath.isEmpty() && QFileInfo(linkPath).isSymLink())
        QFile::remove(linkPath);
}

void PtySimulator::Impl::wake() {
    if (wakeWrite >= 0)
        writeOrLose(wakeWrite, QByteArray(1, '\1'));
}

void PtySimulator::Impl::drainWake() {
    char sink[64];
    while (::read(wakeRead, sink, sizeof sink) > 0) {
    }
}

int PtySimulator::Impl::pollTimeoutMs() {
    if (outbox.empty())
        return kIdlePollMs;
    const double wait = outbox.front().at - clock.now();
    return std::clamp(static_cast<int>(std::ceil(wait * 1000.0)), 0, kIdlePollMs);
}

void PtySimulator::Impl::readCommands() {
    char buffer[kReadChunk];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    VirtualMeter::Answer answer =
        meter->answer(QByteArray(buffer, static_cast<qsizetype>(n)), clock.now());
    if (answer.cancelAfter) {
        const double cut = *answer.cancelAfter;
        std::erase_if(outbox, [cut](const VirtualMeter::TimedByte& b) { return b.at > cut; });
    }
    outbox.insert(outbox.end(), answer.bytes.begin(), answer.bytes.end());
}

void PtySimulator::Impl::sendDue() {
    const double now = clock.now();
    QByteArray due;
    while (!outbox.empty() && outbox.front().at <= now) {
        due.append(outbox.front().byte);
        outbox.pop_front();
    }
    if (!due.isEmpty())
        writeOrLose(master, due);
}

void PtySimulator::Impl::serve() {
    while (!stopping) {
        std::unique_lock lock(mutex);
        const int fd = master;
        const std::uint64_t seen = generation;
        const int timeout = pollTimeoutMs();
        lock.unlock();

        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {fd, POLLIN, 0}};
        ::poll(fds, fd >= 0 ? 2 : 1, timeout);
        if (fds[0].revents & POLLIN)
            drainWake();

        lock.lock();
        if (seen != generation || master < 0)
            continue;
        const short events = fds[1].revents;
        if (events & POLLIN) {
            readCommands();
        } else if (events & (POLLHUP | POLLERR)) {
            // Should not happen while we hold a slave open; never spin on it regardless.
            lock.unlock();
            ::poll(fds, 1, kIdlePollMs);
            lock.lock();
            if (seen != generation)
                continue;
        }
        sendDue();
    }
}

PtySimulator::PtySimulator(std::shared_ptr<VirtualMeter> meter, QString linkPath)
    : m_meter(std::move(meter)), m_impl(std::make_unique<Impl>()) {
    m_impl->meter = m_meter;
    m_impl->linkPath = std::move(linkPath);
}

PtySimulator::~PtySimulator() {
    stop();
}

bool PtySimulator::start() {
    Impl& d = *m_impl;
    if (d.thread.joinable())
        return true;
    {
        std::lock_guard lock(d.mutex);
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
            d.error = systemError("pipe");
            return false;
        }
        d.wakeRead = pipeFds[0];
        d.wakeWrite = pipeFds[1];
        d.closeTerminal(); // one made by a replug() before start()
        if (!d.openTerminal() || !d.pointLink()) {
            d.closeTerminal();
            closeFd(d.wakeRead);
            closeFd(d.wakeWrite);
            return false;
        }
    }
    d.stopping = false;
    d.thread = std::thread([&d] { d.serve(); });
    return true;
}

void PtySimulator::stop() {
    Impl& d = *m_impl;
    if (!d.thread.joinable())
        return;
    d.stopping = true;
    d.wake();
    d.thread.join();
    std::lock_guard lock(d.mutex);
    d.closeTerminal();
    d.removeLink();
    closeFd(d.wakeRead);
    closeFd(d.wakeWrite);
}

QString PtySimulator::devicePath() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->linkPath.isEmpty() ? m_impl->terminal : m_impl->linkPath;
}

QString PtySimulator::terminalPath() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->terminal;
}

QString PtySimulator::errorString() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->error;
}

void PtySimulator::unplug() {
    Impl& d = *m_impl;
    std::lock_guard lock(d.mutex);
    d.closeTerminal();
    d.removeLink();
    d.wake();
}

void PtySimulator::replug() {
    Impl& d = *m_impl;
    std::lock_guard lock(d.mutex);
    d.closeTerminal();
    if (d.openTerminal())
        d.pointLink();
    d.wake();
}

} // namespace nd::sim
