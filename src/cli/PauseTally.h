#pragma once

#include "link/Clock.h"

#include <atomic>

namespace nd::cli {

/// A clock that counts the pauses it is asked for, so a command can tell how much of its
/// time the meter's fixed pauses took and how much the work around them.
class PauseTally final : public link::Clock {
public:
    explicit PauseTally(link::Clock& inner) : m_inner(inner) {}

    double now() const override { return m_inner.now(); }
    void sleepFor(double seconds) override {
        if (seconds > 0)
            m_paused = m_paused.load() + seconds;
        m_inner.sleepFor(seconds);
    }
    void interrupt() override { m_inner.interrupt(); }
    void clearInterrupt() override { m_inner.clearInterrupt(); }
    bool interrupted() const override { return m_inner.interrupted(); }

    /// Seconds of pauses asked for so far.
    double paused() const { return m_paused.load(); }

private:
    link::Clock& m_inner;
    std::atomic<double> m_paused{0.0};
};

} // namespace nd::cli
