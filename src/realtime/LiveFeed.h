#pragma once

#include "stored/Reading.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

namespace nd::link {
class MeterLink;
struct MeterState;
} // namespace nd::link

namespace nd::realtime {

/// What the live windows read of the meter at a tick. They never talk to the meter.
struct LiveSnapshot {
    /// The current reading; of kind Missing while the meter does not answer, so a graph
    /// leaves a gap and an average does not count it.
    stored::Reading reading;
    bool dbaMode = false;
    QString criterion; ///< as the main window shows it
    QString exchange;
};
using LiveSource = std::function<LiveSnapshot()>;

/// A LiveSource on the link's published states: a reading stays fresh for a second after
/// the last decoded frame.
class LiveFeed final : public QObject {
    Q_OBJECT

public:
    explicit LiveFeed(const link::MeterLink& link, QObject* parent = nullptr);

    LiveSnapshot snapshot() const;
    LiveSource source() const {
        return [this] { return snapshot(); };
    }

private:
    void observe(const link::MeterState& state);
    double now() const;

    const link::MeterLink& m_link;
    stored::FreshReading m_fresh;
    QElapsedTimer m_clock;
};

} // namespace nd::realtime
