#pragma once

#include "link/Clock.h"
#include "link/Port.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace nd::test {

/// A port whose far end is a function: each write may make reply bytes available to
/// the next read. Records every write with the clock reading, so tests check the bytes
/// sent and the pauses between them.
class FakePort final : public link::Port {
public:
    using Responder = std::function<QByteArray(const QByteArray& written)>;
    struct Write {
        double at;
        QByteArray bytes;
    };

    FakePort(link::Clock& clock, Responder responder)
        : m_clock(clock), m_responder(std::move(responder)) {}

    link::OpenResult open() override {
        m_open = m_openError == link::OpenError::None;
        return {m_openError, QStringLiteral("/dev/fake"), {}};
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void clearInput() override { readAll(); }
    QByteArray readAll() override {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_waiting, {});
    }
    bool write(const QByteArray& bytes) override {
        std::lock_guard lock(m_mutex);
        if (!m_open || m_failed)
            return false;
        m_writes.push_back({m_clock.now(), bytes});
        m_waiting.append(m_responder(bytes));
        return true;
    }
    bool hasFailed() const override { return m_failed; }
    QString deviceName() const override { return QStringLiteral("/dev/fake"); }

    void setFailed(bool failed) { m_failed = failed; }
    void setOpenError(link::OpenError error) { m_openError = error; }
    void setResponder(Responder responder) {
        std::lock_guard lock(m_mutex);
        m_responder = std::move(responder);
    }
    std::vector<Write> writes() const {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    int countWrites(const QByteArray& bytes) const {
        const auto all = writes();
        return int(
            std::count_if(all.begin(), all.end(), [&](auto& w) { return w.bytes == bytes; }));
    }

private:
    link::Clock& m_clock;
    Responder m_responder;
    mutable std::mutex m_mutex;
    std::atomic<bool> m_open = false, m_failed = false;
    std::atomic<link::OpenError> m_openError = link::OpenError::None;
    QByteArray m_waiting;
    std::vector<Write> m_writes;
};

/// Another port, with a hook on every write that may also lose the bytes on the line.
class HookedPort final : public link::Port {
public:
    explicit HookedPort(std::shared_ptr<link::Port> port) : m_port(std::move(port)) {}
    /// Returns false for bytes that never reach the far end.
    std::function<bool(const QByteArray&)> onWrite;

    link::OpenResult open() override { return m_port->open(); }
    void close() override { m_port->close(); }
    bool isOpen() const override { return m_port->isOpen(); }
    void clearInput() override { m_port->clearInput(); }
    QByteArray readAll() override { return m_port->readAll(); }
    bool write(const QByteArray& bytes) override {
        return (onWrite && !onWrite(bytes)) || m_port->write(bytes);
    }
    bool hasFailed() const override { return m_port->hasFailed(); }
    QString deviceName() const override { return m_port->deviceName(); }

private:
    std::shared_ptr<link::Port> m_port;
};

/// Frames a reply as the meter does.
inline QByteArray frame(std::initializer_list<int> payload) {
    QByteArray out(1, '\x02');
    for (int b : payload)
        out.append(static_cast<char>(b));
    out.append('\x03');
    return out;
}

/// A well-behaved meter: status 0x1F, threshold 80 in cell 59, dBA 94.5 on display.
inline QByteArray answerLikeAMeter(const QByteArray& written) {
    switch (written.at(0)) {
    case 'X':
        return frame({0x1F});
    case 'R':
        return frame({static_cast<unsigned char>(written.at(1)) == 59 ? 80 : 7});
    case ' ':
        return frame({0x40, 0x10, 0x09, 0x45, 0xE1});
    default:
        return {};
    }
}

} // namespace nd::test
