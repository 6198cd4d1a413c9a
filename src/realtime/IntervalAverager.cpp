#include "IntervalAverager.h"

#include "IntervalInput.h"

#include <cmath>
#include <limits>

namespace nd::realtime {

namespace {

std::int64_t tenthsOf(const stored::Level& level) {
    return std::llround(level.dB * 10.0);
}

QString tenthsText(std::int64_t tenths) {
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

} // namespace

QString IntervalAverage::meanText() const {
    if (samples == 0)
        return {}; // "----" would say the meter showed a blank or a quiet level
    if (underRange == samples)
        return QStringLiteral("----");
    if (overRange == samples)
        return QStringLiteral("OL");
    // Int(m x 10) / 10: cut down to whole tenths, in integers, so no floating point comes
    // between the readings and the text.
    const std::int64_t mean = sumTenths / samples;
    if (mean < 700)
        return QStringLiteral("----");
    return tenthsText(mean);
}

std::optional<double> IntervalAverage::laeq() const {
    if (samples == 0)
        return std::nullopt;
    return 10.0 * std::log10(energy / samples);
}

void RunMaximum::take(const stored::Level& reading) {
    if (!reading.isSound())
        return;
    if (!level || reading.dB > level->dB)
        level = reading;
}

QString RunMaximum::text() const {
    if (!level || level->kind == stored::LevelKind::UnderRange || level->dB < 70.0)
        return QStringLiteral("----");
    if (level->kind == stored::LevelKind::OverRange)
        return QStringLiteral("OL");
    return tenthsText(tenthsOf(*level));
}

void IntervalAverager::start(Tenths t0, Tenths intervalTenths) {
    *this = {};
    m_interval = intervalTenths;
    m_current.start = t0;
    m_current.end = t0 + intervalTenths;
}

void IntervalAverager::restartInterval(Tenths t) {
    const long long index = m_current.index;
    m_current = {};
    m_current.index = index;
    m_current.start = t;
    m_current.end = t + m_interval;
}

std::vector<IntervalAverage> IntervalAverager::advanceTo(Tenths t) {
    std::vector<IntervalAverage> closed;
    if (m_interval <= 0)
        return closed;
    while (m_current.end <= t) {
        closed.push_back(m_current);
        ++m_closed;
        const IntervalAverage previous = m_current;
        m_current = {};
        m_current.index = previous.index + 1;
        m_current.start = previous.end;
        m_current.end = previous.end + m_interval;
    }
    return closed;
}

std::vector<IntervalAverage> IntervalAverager::add(Tenths t, const stored::Level& level) {
    std::vector<IntervalAverage> closed = advanceTo(t);
    if (!level.isSound() || t < m_current.start)
        return closed;
    ++m_current.samples;
    m_current.sumTenths += tenthsOf(level);
    m_current.energy += std::pow(10.0, level.dB / 10.0);
    if (level.kind == stored::LevelKind::OverRange) {
        ++m_current.overRange;
        ++m_clamped;
        m_overloadSeen = true;
    } else if (level.kind == stored::LevelKind::UnderRange) {
        ++m_current.underRange;
        ++m_clamped;
    }
    m_max.take(level);
    return closed;
}

QString runTimeText(long long intervals, int intervalSeconds) {
    return clockText(intervals * intervalSeconds);
}

ListAverages averageList(const stored::LevelList& list, int intervalSeconds) {
    ListAverages out;
    constexpr stored::StampTenths kNone = std::numeric_limits<stored::StampTenths>::max();
    std::optional<stored::StampTenths> previous;
    stored::StampTenths spacing = kNone;
    // The averager runs on a time that only goes forward: the stamp plus the offset of the
    // stretch since the last step back. Each stretch: its first time, its offset.
    std::vector<std::pair<Tenths, Tenths>> stretches;
    Tenths offset = 0;
    Tenths last = 0;
    IntervalAverager averager;
    for (const stored::LevelRow& row : list.rows) {
        if (!row.stamp)
            continue;
        if (!previous) {
            averager.start(*row.stamp, Tenths{intervalSeconds} * 10);
            out.start = row.stamp;
            stretches.emplace_back(*row.stamp, 0);
        } else if (*row.stamp < *previous) {
            const Tenths next = last + (spacing == kNone ? 0 : spacing);
            offset = next - *row.stamp;
            stretches.emplace_back(next, offset);
            out.clockSteps.push_back({row.number, *previous, *row.stamp});
        } else if (*row.stamp > *previous) {
            spacing = std::min(spacing, *row.stamp - *previous);
        }
        previous = row.stamp;
        last = *row.stamp + offset;
        for (const IntervalAverage& a : averager.add(last, row.level))
            out.intervals.push_back(a);
    }
    if (previous && spacing != kNone) {
        for (const IntervalAverage& a : averager.advanceTo(last + spacing))
            out.intervals.push_back(a);
    }
    // Back to the rows' clock: an interval ending on a step ends on the clock before it.
    const auto onClock = [&stretches](Tenths t, bool isEnd) {
        Tenths back = 0;
        for (const auto& [from, off] : stretches) {
            if (from < t || (!isEnd && from == t))
                back = off;
        }
        return t - back;
    };
    for (IntervalAverage& a : out.intervals) {
        a.start = onClock(a.start, false);
        a.end = onClock(a.end, true);
    }
    out.maximum = averager.maximum();
    out.overloadSeen = averager.overloadSeen();
    out.clamped = averager.clampedCount();
    return out;
}

} // namespace nd::realtime
