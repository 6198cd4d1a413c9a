#include "SetupRunner.h"

#include "link/MeterLink.h"

namespace nd::setup {

SetupRunner::SetupRunner(link::MeterLink& link, QObject* parent) : QObject(parent), m_link(link) {
    connect(&m_link, &link::MeterLink::jobProgress, this, [this](int percent) {
        if (m_busy)
            emit progress(percent);
    });
}

bool SetupRunner::start(const SetupRequest& request, QObject* receiver, Done done) {
    if (m_busy)
        return false;
    m_busy = true;
    emit busyChanged(true);
    emit progress(0);
    QPointer<QObject> guard(receiver);
    QPointer<SetupRunner> self(this);
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_link.submit(SetupJob(
        request,
        [self, guard, done = std::move(done)](link::JobOutcome, const SetupResult& result) {
            if (self) {
                self->m_busy = false;
                emit self->busyChanged(false);
            }
            if (guard && done)
                done(result);
        },
        m_cancel));
    return true;
}

void SetupRunner::cancel() {
    if (m_busy && m_cancel)
        *m_cancel = true;
}

} // namespace nd::setup
