#pragma once

#include "link/Port.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace nd::link {
class Clock;
}

namespace nd::sim {

class VirtualMeter;

/// The virtual meter behind the Port interface, in the same process. Time comes from
/// the given clock (a virtual one in tests), so replies "arrive" when the clock has
/// moved past their arrival time. Thread-safe: tests inspect it while the link runs.
class SimPort final : public link::Port {
public:
    SimPort(std::shared_ptr<VirtualMeter> meter, link::Clock& clock);

    link::OpenResult open() override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    bool hasFailed() const override;
    QString deviceName() const override { return QStringLiteral("virtual meter"); }

    /// What the program wrote, with the clock reading at each write.
    struct Write {
        double at;
        QByteArray bytes;
    };
    std::vector<Write> writes() const;
    void clearWrites();

    /// Bytes to hand to the next reads, as if they had arrived on the line (tests).
    void inject(const QByteArray& bytes);
    /// Opens fail with this error until it is set back to OpenError::None.
    void setOpenError(link::OpenError error);
    /// The device fails as an unplugged adapter does, until plugIn().
    void unplug();
    void plugIn();

private:
    struct Pending {
        double at;
        char byte;
    };
    /// Takes the bytes that have arrived by `now` off the line.
    QByteArray takeArrived(double now);

    std::shared_ptr<VirtualMeter> m_meter;
    link::Clock& m_clock;
    mutable std::mutex m_mutex;
    bool m_open = false;
    bool m_unplugged = false;
    bool m_failed = false;
    link::OpenError m_openError = link::OpenError::None;
    std::deque<Pending> m_pending; // in arrival order
    QByteArray m_injected;
    std::vector<Write> m_writes;
};

} // namespace nd::sim
