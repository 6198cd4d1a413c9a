#pragma once

#include "SetupTransfer.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

namespace nd::link {
class MeterLink;
}

namespace nd::setup {

/// Runs one setup transfer at a time on the link for the Setup and Standard windows, so
/// neither can start a second while one runs. A window may cancel its transfer (it is
/// then abandoned with MODE+RESET); a window deleted meanwhile is simply not told.
class SetupRunner final : public QObject {
    Q_OBJECT

public:
    explicit SetupRunner(link::MeterLink& link, QObject* parent = nullptr);

    link::MeterLink& meterLink() { return m_link; }
    bool busy() const { return m_busy; }

    using Done = std::function<void(const SetupResult&)>;
    /// Queues the transfer; false (nothing queued) while one runs. `done` runs on this
    /// thread afterwards, only if `receiver` still exists.
    bool start(const SetupRequest& request, QObject* receiver, Done done);
    /// Asks the running transfer to stop at its next key press: it is abandoned with
    /// MODE+RESET and its result says what the meter then holds.
    void cancel();

signals:
    void busyChanged(bool busy);
    /// The running transfer's progress, 0 to 100.
    void progress(int percent);

private:
    link::MeterLink& m_link;
    bool m_busy = false;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};

} // namespace nd::setup
