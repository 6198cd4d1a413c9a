#pragma once

#include "Meter.h"
#include "MeterState.h"
#include "Port.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

namespace nd::link {

class Clock;

/// How a job ended.
enum class JobOutcome {
    Done,     ///< the work ran to its end
    PortLost, ///< the serial device failed meanwhile; the link is reopening it
    Stopped,  ///< the program is closing, or the link never opened
    TimedOut, ///< the job's time limit passed while the meter did not answer
};

/// One exchange with the meter, run on the link thread while the poll is held off.
struct Job {
    QString name;
    /// Runs on the link thread; may block on the meter for as long as it needs.
    std::function<void(Meter&)> work;
    /// Runs on the thread that owns the MeterLink once the work has ended.
    std::function<void(JobOutcome)> done;
    /// Seconds the work may take; a silent meter then ends it as TimedOut. None: no limit.
    std::optional<double> timeLimit = std::nullopt;
};

/// The link thread. It owns the port, polls the meter about five times a second when
/// idle and runs queued jobs one at a time in between, so no two exchanges ever share
/// the line. Windows talk to it only through submit() and its signals.
class MeterLink : public QObject {
    Q_OBJECT

public:
    using PortFactory = std::function<std::unique_ptr<Port>()>;

    /// The factory runs on the link thread, so a port lives where it is used.
    MeterLink(PortFactory factory, std::shared_ptr<Clock> clock, QString portCaption,
              QObject* parent = nullptr);
    ~MeterLink() override;

    /// Opens the port on the link thread and starts polling; opened() tells how it went.
    void start();
    /// Ends the current exchange at its next pause, stops the thread and closes the port.
    void stop();

    void submit(Job job);
    /// Asks the next poll cycle to refresh the status first.
    void requestStatusCheck() { m_statusCheckRequested = true; }

    /// The last published state (GUI thread).
    const MeterState& state() const { return m_state; }
    bool isRunning() const { return m_running.load(); }
    /// Polling goes on only while enabled; jobs run either way.
    void setPollingEnabled(bool enabled) { m_pollingEnabled = enabled; }

signals:
    void opened(const nd::link::OpenResult& result);
    void stateChanged(const nd::link::MeterState& state);
    void jobProgress(int percent);
    /// The device failed; the link tries to reopen it about once a second.
    void portLost(const QString& device);
    void portRecovered(const QString& device);

private:
    void run();
    bool takeJob(Job& job);
    void pollOnce(Meter& meter);
    void runJob(Meter& meter, Job& job);
    void finishJob(const Job& job, JobOutcome outcome);
    void reopen(Port& port, Meter& meter);
    void failQueuedJobs();

    PortFactory m_factory;
    std::shared_ptr<Clock> m_clock;
    QString m_portCaption;
    QThread* m_thread = nullptr;
    /// Made and used on the link thread; kept (closed) after it ends, until the next start.
    std::unique_ptr<Port> m_port;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_statusCheckRequested{false};
    std::atomic<bool> m_pollingEnabled{true};
    std::mutex m_jobsMutex;
    std::deque<Job> m_jobs;
    MeterState m_state;
};

/// How often a link with polling switched off looks for new jobs.
inline constexpr double kIdleWait = 0.02;
/// Time between two attempts to reopen a failed device.
inline constexpr double kReopenInterval = 1.0;

} // namespace nd::link

Q_DECLARE_METATYPE(nd::link::OpenResult)
