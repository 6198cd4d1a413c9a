#pragma once

#include "link/Clock.h"
#include "link/MeterLink.h"
#include "sim/SimPort.h"
#include "sim/VirtualMeter.h"

#include <QDateTime>

#include <memory>
#include <mutex>

namespace nd::test {

/// The virtual meter on a virtual clock, and ports to reach it. Ports made by the
/// factory stay owned here as well, so a test can still reach (and unplug) the port a
/// link created after the link has gone.
class SimFixture {
public:
    /// The calendar the meter starts at, fixed so runs are reproducible.
    static QDateTime defaultCalendarStart();

    explicit SimFixture(std::uint32_t seed = 1, double clockStart = 0.0);

    link::VirtualClock& clock() { return *m_clock; }
    std::shared_ptr<link::VirtualClock> sharedClock() const { return m_clock; }
    sim::VirtualMeter& meter() { return *m_meter; }
    std::shared_ptr<sim::VirtualMeter> sharedMeter() const { return m_meter; }

    /// A new port on the meter and the clock (not yet open).
    std::shared_ptr<sim::SimPort> makePort();
    /// For MeterLink: each call makes a new port, remembered as lastPort().
    link::MeterLink::PortFactory portFactory();
    /// The port the factory made last; null before the first.
    std::shared_ptr<sim::SimPort> lastPort() const;

private:
    struct Shared;
    std::shared_ptr<link::VirtualClock> m_clock;
    std::shared_ptr<sim::VirtualMeter> m_meter;
    std::shared_ptr<Shared> m_shared;
};

} // namespace nd::test
