#include "MeterLink.h"

#include "Clock.h"

#include <QThread>

namespace nd::link {

MeterLink::MeterLink(PortFactory factory, std::shared_ptr<Clock> clock, QString portCaption,
                     QObject* parent)
    : QObject(parent), m_factory(std::move(factory)), m_clock(std::move(clock)),
      m_portCaption(std::move(portCaption)) {
    qRegisterMetaType<nd::link::MeterState>();
    qRegisterMetaType<nd::link::OpenResult>();
    // Queued: the signal is emitted on the link thread, the copy is kept on ours.
    connect(this, &MeterLink::stateChanged, this, [this](const MeterState& s) { m_state = s; });
}

MeterLink::~MeterLink() {
    stop();
}

void MeterLink::start() {
    if (m_thread)
        return;
    m_stopRequested = false;
    m_clock->clearInterrupt();
    m_port.reset();
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("meter link"));
    m_running = true;
    m_thread->start();
}

void MeterLink::stop() {
    if (!m_thread)
        return;
    m_stopRequested = true;
    m_clock->interrupt();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_running = false;
    failQueuedJobs();
}

void MeterLink::submit(Job job) {
    {
        std::lock_guard lock(m_jobsMutex);
        m_jobs.push_back(std::move(job));
    }
    if (!m_running)
        failQueuedJobs();
}

bool MeterLink::takeJob(Job& job) {
    std::lock_guard lock(m_jobsMutex);
    if (m_jobs.empty())
        return false;
    job = std::move(m_jobs.front());
    m_jobs.pop_front();
    return true;
}

void MeterLink::failQueuedJobs() {
    Job job;
    while (takeJob(job))
        finishJob(job, JobOutcome::Stopped);
}

void MeterLink::finishJob(const Job& job, JobOutcome outcome) {
    if (!job.done)
        return;
    QMetaObject::invokeMethod(
        this, [done = job.done, outcome] { done(outcome); }, Qt::QueuedConnection);
}

void MeterLink::run() {
    m_port = m_factory();
    Port* port = m_port.get();
    const OpenResult result = port->open();
    emit opened(result);
    if (!result.ok()) {
        m_running = false;
        failQueuedJobs();
        return;
    }
    Meter meter(*port, *m_clock);
    meter.setPortCaption(m_portCaption);
    meter.setPublisher([this](const MeterState& s) { emit stateChanged(s); });
    meter.setProgress([this](int percent) { emit jobProgress(percent); });
    meter.state().Online = true;
    meter.state().StatusCheckPending = true;

    while (!m_stopRequested) {
        if (m_statusCheckRequested.exchange(false))
            meter.state().StatusCheckPending = true;
        Job job;
        try {
            if (takeJob(job)) {
                runJob(meter, job);
            } else if (m_pollingEnabled) {
                pollOnce(meter);
            } else {
                meter.Delay(kIdleWait);
            }
        } catch (const PortLost&) {
            reopen(*port, meter);
        } catch (const LinkInterrupted&) {
            // Stopped, or a job's own deadline: the loop decides whether to go on.
        }
    }
    port->close();
    m_running = false;
    failQueuedJobs();
}

void MeterLink::pollOnce(Meter& meter) {
    // A silent meter keeps the status poll going for ever; a job queued meanwhile (a key
    // press, a dBA check) must still run, and end by its own bounds, rather than wait.
    struct YieldScope {
        Meter& meter;
        ~YieldScope() { meter.setYieldRequest({}); }
    } scope{meter};
    meter.setYieldRequest([this] {
        std::lock_guard lock(m_jobsMutex);
        return !m_jobs.empty();
    });
    try {
        // Cycles run back to back: their own 0.2 s of pauses set the pace.
        meter.PollCycle();
    } catch (const LinkYield&) {
        meter.state().StatusCheckPending = true; // the status poll resumes after the job
    }
}

void MeterLink::runJob(Meter& meter, Job& job) {
    // The limit holds for this job only: the poll cycles after it wait as long as they need.
    struct DeadlineScope {
        Meter& meter;
        ~DeadlineScope() { meter.setDeadline(std::nullopt); }
    } scope{meter};
    if (job.timeLimit)
        meter.setDeadline(meter.clock().now() + *job.timeLimit);
    try {
        job.work(meter);
        finishJob(job, JobOutcome::Done);
    } catch (const LinkTimeout&) {
        // Cut off mid-exchange: the next poll starts with the status, which also puts the
        // link caption right again.
        meter.state().StatusCheckPending = true;
        finishJob(job, JobOutcome::TimedOut);
    } catch (const PortLost&) {
        finishJob(job, JobOutcome::PortLost);
        throw;
    } catch (const LinkInterrupted&) {
        finishJob(job, JobOutcome::Stopped);
        throw;
    }
}

void MeterLink::reopen(Port& port, Meter& meter) {
    const QString device = port.deviceName();
    meter.state().LinkCaption = QStringLiteral("No COM");
    meter.state().LinkBusy = false;
    emit stateChanged(meter.state());
    emit portLost(device);
    while (!m_stopRequested) {
        port.close();
        m_clock->sleepFor(kReopenInterval);
        if (m_stopRequested)
            return;
        if (port.open().ok()) {
            meter.state().StatusCheckPending = true;
            emit portRecovered(device);
            return;
        }
    }
}

} // namespace nd::link
