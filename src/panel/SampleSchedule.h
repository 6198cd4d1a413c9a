#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace nd::panel {

/// The stamps of one PC sample.
struct SampleStamp {
    QString DateStamp; ///< "yyyy/mm/dd"
    QString TimeStamp; ///< "hh:mm:ss.t"
    QString LblTime;   ///< "hh:mm:ss"
};

/// "hh:mm:ss" then "." and the tenths digit of the current second.
QString TimeStampText(const QTime& time);
SampleStamp StampFor(const QDateTime& wallTime);
/// A sample line: DateStamp, TAB, TimeStamp, TAB, the displayed value.
QString SampleLine(const SampleStamp& stamp, const QString& value);

/// The PC sample schedule. Due moments are kept on a monotonic clock, so the schedule
/// runs on across midnight; the wall clock only makes the stamps. Holds no timer: the
/// window asks how long to sleep and ticks when it wakes.
class SampleSchedule {
public:
    /// Tenths of a second between samples (20 at load).
    void setSampleInterval(int tenths) { m_sampleInterval = tenths; }
    int SampleInterval() const { return m_sampleInterval; }
    int TickCount() const { return m_tickCount; }
    double NextSampleTime() const { return m_nextSampleTime; }

    /// The stamps when a sample is due at `monotonicNow` (the very first tick always
    /// takes one), booking the next one; nothing when it is not due yet.
    std::optional<SampleStamp> tick(double monotonicNow, const QDateTime& wallNow);
    /// Seconds until the next sample is due, 0 when it is due already.
    double secondsUntilDue(double monotonicNow) const;

private:
    int m_sampleInterval = 20;
    int m_tickCount = 0;
    double m_nextSampleTime = 0.0;
};

} // namespace nd::panel
