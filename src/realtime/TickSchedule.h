#pragma once

#include <optional>

namespace nd::realtime {

/// Ticks booked on a monotonic clock: each next tick is due one interval after the
/// previous due time, not after the moment a late tick ran, so a run of ticks does not
/// drift by their lateness. Slots missed altogether (the program was held up for longer
/// than an interval) are skipped and counted. Holds no timer: the window asks how long
/// to sleep and calls take() when it wakes.
class TickSchedule {
public:
    struct Tick {
        double due = 0.0;    ///< the due time of this tick, seconds
        int missed = 0;      ///< slots skipped since the previous tick
        long long index = 0; ///< ticks since start, counting missed slots (first is 1)
    };

    /// The first tick is due one interval after `now`.
    void start(double now, double intervalSeconds);
    /// The tick due by `now`, with the next one booked; nothing when none is due yet.
    std::optional<Tick> take(double now);
    double secondsUntilDue(double now) const;
    double interval() const { return m_interval; }

private:
    double m_start = 0.0;
    double m_interval = 1.0;
    long long m_next = 1; ///< index of the next due tick; due = start + index x interval
};

} // namespace nd::realtime
