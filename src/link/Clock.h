#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace nd::link {

/// Time source for every pause of the link. The real clock sleeps; the virtual one
/// jumps forward, so tests of a ten-second retry loop run in microseconds.
class Clock {
public:
    virtual ~Clock() = default;

    /// Monotonic seconds since an arbitrary origin.
    virtual double now() const = 0;

    /// Waits the full length unless interrupt() is called meanwhile.
    virtual void sleepFor(double seconds) = 0;

    /// Ends the current sleep and every later one at once, until clearInterrupt().
    virtual void interrupt() = 0;
    virtual void clearInterrupt() = 0;
    virtual bool interrupted() const = 0;
};

/// The monotonic system clock. A sleep blocks on a condition variable: no spinning,
/// and no cut-short at midnight because the clock never wraps.
class RealClock final : public Clock {
public:
    double now() const override;
    void sleepFor(double seconds) override;
    void interrupt() override;
    void clearInterrupt() override;
    bool interrupted() const override { return m_interrupted.load(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_interrupted{false};
};

/// Time that moves only when somebody sleeps. With a pace above zero each sleep also
/// waits pace × its length in real time, so a virtual meter polled by the link thread
/// runs faster than life without burning a core.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(double start = 0.0, double pace = 0.0) : m_now(start), m_pace(pace) {}

    double now() const override { return m_now.load(); }
    void sleepFor(double seconds) override;
    void interrupt() override;
    void clearInterrupt() override { m_interrupted = false; }
    bool interrupted() const override { return m_interrupted.load(); }

    void advance(double seconds);
    void setPace(double pace) { m_pace = pace; }
    /// Total virtual time spent in sleepFor() since construction.
    double slept() const { return m_slept.load(); }

private:
    std::atomic<double> m_now;
    std::atomic<double> m_slept{0.0};
    std::atomic<double> m_pace;
    std::atomic<bool> m_interrupted{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

} // namespace nd::link
