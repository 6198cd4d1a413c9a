#include "SimFixture.h"

namespace nd::test {

namespace {
/// Hands the link a port it may own and destroy, while the fixture keeps the SimPort.
class SharedPort final : public link::Port {
public:
    explicit SharedPort(std::shared_ptr<sim::SimPort> port) : m_port(std::move(port)) {}

    link::OpenResult open() override { return m_port->open(); }
    void close() override { m_port->close(); }
    bool isOpen() const override { return m_port->isOpen(); }
    void clearInput() override { m_port->clearInput(); }
    QByteArray readAll() override { return m_port->readAll(); }
    bool write(const QByteArray& bytes) override { return m_port->write(bytes); }
    bool hasFailed() const override { return m_port->hasFailed(); }
    QString deviceName() const override { return m_port->deviceName(); }

private:
    std::shared_ptr<sim::SimPort> m_port;
};

/// A SimPort refers to its clock; its deleter keeps the clock alive as long as the port.
std::shared_ptr<sim::SimPort> newPort(const std::shared_ptr<sim::VirtualMeter>& meter,
                                      const std::shared_ptr<link::VirtualClock>& clock) {
    return {new sim::SimPort(meter, *clock), [clock](sim::SimPort* p) { delete p; }};
}
} // namespace

struct SimFixture::Shared {
    std::mutex mutex;
    std::shared_ptr<sim::SimPort> lastPort;
};

QDateTime SimFixture::defaultCalendarStart() {
    return QDateTime(QDate(2024, 3, 15), QTime(9, 41, 0));
}

SimFixture::SimFixture(std::uint32_t seed, double clockStart)
    : m_clock(std::make_shared<link::VirtualClock>(clockStart)),
      m_shared(std::make_shared<Shared>()) {
    sim::VirtualMeter::Options options;
    options.seed = seed;
    options.calendarStart = defaultCalendarStart();
    options.timeOrigin = clockStart;
    m_meter = std::make_shared<sim::VirtualMeter>(options);
}

std::shared_ptr<sim::SimPort> SimFixture::makePort() {
    return newPort(m_meter, m_clock);
}

link::MeterLink::PortFactory SimFixture::portFactory() {
    // The factory runs on the link thread and may outlive the fixture's stack frame.
    return [clock = m_clock, meter = m_meter, shared = m_shared]() -> std::unique_ptr<link::Port> {
        auto port = newPort(meter, clock);
        std::lock_guard lock(shared->mutex);
        shared->lastPort = port;
        return std::make_unique<SharedPort>(port);
    };
}

std::shared_ptr<sim::SimPort> SimFixture::lastPort() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->lastPort;
}

} // namespace nd::test
