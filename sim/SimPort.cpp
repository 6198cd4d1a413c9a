#include "SimPort.h"

#include "VirtualMeter.h"
#include "link/Clock.h"

#include <algorithm>

namespace nd::sim {

SimPort::SimPort(std::shared_ptr<VirtualMeter> meter, link::Clock& clock)
    : m_meter(std::move(meter)), m_clock(clock) {}

link::OpenResult SimPort::open() {
    std::lock_guard lock(m_mutex);
    link::OpenResult result{link::OpenError::None, deviceName(), {}};
    if (m_unplugged)
        result.error = link::OpenError::NotFound;
    else if (m_openError != link::OpenError::None)
        result.error = m_openError;
    if (!result.ok()) {
        result.detail = QStringLiteral("simulated open failure");
        return result;
    }
    m_open = true;
    m_failed = false;
    return result;
}

void SimPort::close() {
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_pending.clear();
}

bool SimPort::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

QByteArray SimPort::takeArrived(double now) {
    QByteArray arrived;
    while (!m_pending.empty() && m_pending.front().at <= now) {
        arrived.append(m_pending.front().byte);
        m_pending.pop_front();
    }
    return arrived;
}

void SimPort::clearInput() {
    std::lock_guard lock(m_mutex);
    m_injected.clear();
    takeArrived(m_clock.now());
}

QByteArray SimPort::readAll() {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_failed)
        return {};
    return std::exchange(m_injected, {}) + takeArrived(m_clock.now());
}

bool SimPort::write(const QByteArray& bytes) {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_failed)
        return false;
    const double now = m_clock.now();
    m_writes.push_back({now, bytes});
    VirtualMeter::Answer answer = m_meter->answer(bytes, now);
    if (answer.cancelAfter) {
        const double cut = *answer.cancelAfter;
        std::erase_if(m_pending, [cut](const Pending& p) { return p.at > cut; });
    }
    for (const VirtualMeter::TimedByte& b : answer.bytes)
        m_pending.push_back({b.at, b.byte});
    return true;
}

bool SimPort::hasFailed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

std::vector<SimPort::Write> SimPort::writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void SimPort::clearWrites() {
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

void SimPort::inject(const QByteArray& bytes) {
    std::lock_guard lock(m_mutex);
    m_injected.append(bytes);
}

void SimPort::setOpenError(link::OpenError error) {
    std::lock_guard lock(m_mutex);
    m_openError = error;
}

void SimPort::unplug() {
    std::lock_guard lock(m_mutex);
    m_unplugged = true;
    m_failed = true;
    m_pending.clear();
}

void SimPort::plugIn() {
    std::lock_guard lock(m_mutex);
    m_unplugged = false;
}

} // namespace nd::sim
