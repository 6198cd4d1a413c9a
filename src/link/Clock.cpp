#include "Clock.h"

#include <chrono>

namespace nd::link {

namespace {
std::chrono::nanoseconds toDuration(double seconds) {
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9));
}
} // namespace

double RealClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::sleepFor(double seconds) {
    if (seconds <= 0)
        return;
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, toDuration(seconds), [this] { return m_interrupted.load(); });
}

void RealClock::interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void RealClock::clearInterrupt() {
    std::lock_guard lock(m_mutex);
    m_interrupted = false;
}

void VirtualClock::sleepFor(double seconds) {
    if (seconds <= 0 || m_interrupted)
        return;
    if (m_pace > 0) {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, toDuration(seconds * m_pace),
                        [this] { return m_interrupted.load(); });
    }
    advance(seconds);
    m_slept = m_slept + seconds;
}

void VirtualClock::advance(double seconds) {
    m_now = m_now + seconds;
}

void VirtualClock::interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

} // namespace nd::link
