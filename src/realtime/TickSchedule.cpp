#include "TickSchedule.h"

#include <algorithm>
#include <cmath>

namespace nd::realtime {

void TickSchedule::start(double now, double intervalSeconds) {
    m_start = now;
    m_interval = intervalSeconds;
    m_next = 1;
}

std::optional<TickSchedule::Tick> TickSchedule::take(double now) {
    // Due times come from the index, so they never accumulate rounding either.
    const double due = m_start + static_cast<double>(m_next) * m_interval;
    if (now < due)
        return std::nullopt;
    // The latest slot that is due; the ones before it were missed.
    const auto latest = static_cast<long long>(std::floor((now - m_start) / m_interval));
    const long long index = std::max(m_next, latest);
    Tick tick{m_start + static_cast<double>(index) * m_interval, static_cast<int>(index - m_next),
              index};
    m_next = index + 1;
    return tick;
}

double TickSchedule::secondsUntilDue(double now) const {
    return std::max(0.0, m_start + static_cast<double>(m_next) * m_interval - now);
}

} // namespace nd::realtime
