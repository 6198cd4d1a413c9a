#include "SampleSchedule.h"

#include <algorithm>
#include <cmath>

namespace nd::panel {

QString TimeStampText(const QTime& time) {
    return time.toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('.') +
           QString::number(time.msec() / 100);
}

SampleStamp StampFor(const QDateTime& wallTime) {
    // Literal separators whatever the regional settings say.
    return {wallTime.date().toString(QStringLiteral("yyyy/MM/dd")), TimeStampText(wallTime.time()),
            wallTime.time().toString(QStringLiteral("hh:mm:ss"))};
}

QString SampleLine(const SampleStamp& stamp, const QString& value) {
    return stamp.DateStamp + QLatin1Char('\t') + stamp.TimeStamp + QLatin1Char('\t') + value;
}

std::optional<SampleStamp> SampleSchedule::tick(double monotonicNow, const QDateTime& wallNow) {
    if (m_tickCount != 0 && monotonicNow < m_nextSampleTime) {
        ++m_tickCount;
        return std::nullopt;
    }
    // The next sample is booked from this one's due time, not from when the tick came,
    // so a long recording does not drift later by each tick's lateness; slots passed
    // while the program was held up are skipped.
    const double interval = m_sampleInterval / 10.0;
    if (m_tickCount == 0)
        m_nextSampleTime = monotonicNow;
    m_tickCount = 1;
    m_nextSampleTime += interval;
    if (m_nextSampleTime <= monotonicNow)
        m_nextSampleTime +=
            std::floor((monotonicNow - m_nextSampleTime) / interval + 1.0) * interval;
    return StampFor(wallNow);
}

double SampleSchedule::secondsUntilDue(double monotonicNow) const {
    if (m_tickCount == 0)
        return 0.0;
    return std::max(0.0, m_nextSampleTime - monotonicNow);
}

} // namespace nd::panel
