#pragma once

#include "stored/LevelList.h"
#include "stored/Reading.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace nd::realtime {

/// Time in tenths of a second, on whatever clock the caller runs (the window's run
/// clock, a file's stamps).
using Tenths = std::int64_t;

/// One closed interval. Readings are classified once: a level counts as its dB, "OL" as
/// 140.0 and "----" as 70.0 (as the statistics count them); a missing sample, or a reading
/// that is no level, is not counted at all.
struct IntervalAverage {
    long long index = 0; ///< 0 for the first interval of the run
    Tenths start = 0;
    Tenths end = 0;
    int samples = 0; ///< readings counted
    int overRange = 0;
    int underRange = 0;
    std::int64_t sumTenths = 0; ///< the counted readings in tenths of a dB
    double energy = 0.0;        ///< the sum of 10^(L/10)

    /// The plain arithmetic mean, cut down to a tenth (Int(m x 10) / 10), as the box and
    /// the .avg file show it: empty with no reading at all (never a level text), "----"
    /// with only blank displays or below 70 dB, "OL" when every reading was over range,
    /// otherwise one decimal ("85.3").
    QString meanText() const;
    /// The energy mean (LAeq) in dB; nothing without a counted reading.
    std::optional<double> laeq() const;
};

/// The largest classified level of a run as "SPL Max" shows it: one decimal, "OL" when
/// only over-range readings reached it, "----" when nothing above the range's bottom was
/// seen.
struct RunMaximum {
    std::optional<stored::Level> level;
    void take(const stored::Level& reading);
    QString text() const;
};

/// Averages readings over consecutive intervals of a fixed length. An interval holds the
/// readings stamped at or after its start and before its end; it closes when the time
/// reaches its end. The same code serves the Average window (ticks on its run clock) and
/// `noisedesk-cli average` (the stamps of a file).
class IntervalAverager {
public:
    void start(Tenths t0, Tenths intervalTenths);
    /// Starts the current interval afresh at `t` (a resume after a pause): the readings
    /// taken before it are dropped, the run's counts and maximum stay.
    void restartInterval(Tenths t);
    /// Closes every interval that ends at or before `t`, in order (also the empty ones).
    std::vector<IntervalAverage> advanceTo(Tenths t);
    /// Adds a reading stamped `t`, first closing the intervals that end at or before it.
    std::vector<IntervalAverage> add(Tenths t, const stored::Level& level);

    bool running() const { return m_interval > 0; }
    long long closedCount() const { return m_closed; }
    /// Readings counted at a bound ("OL" as 140.0, "----" as 70.0) in this run.
    int clampedCount() const { return m_clamped; }
    bool overloadSeen() const { return m_overloadSeen; }
    const RunMaximum& maximum() const { return m_max; }
    /// The open interval so far.
    const IntervalAverage& current() const { return m_current; }

private:
    Tenths m_interval = 0;
    IntervalAverage m_current;
    long long m_closed = 0;
    int m_clamped = 0;
    bool m_overloadSeen = false;
    RunMaximum m_max;
};

/// The run time of whole intervals, "hh:mm:ss".
QString runTimeText(long long intervals, int intervalSeconds);

/// A place where a list's clock went back (a change from summer time, a corrected PC
/// clock): the row stamped `after` follows the row stamped `before`.
struct ClockStep {
    QString row; ///< the number of the first row after the step
    stored::StampTenths before = 0;
    stored::StampTenths after = 0;
};

/// The interval averages of a level list with what the run saw overall.
struct ListAverages {
    std::vector<IntervalAverage> intervals;   ///< start and end on the rows' clock
    std::optional<stored::StampTenths> start; ///< the first stamped row
    RunMaximum maximum;
    bool overloadSeen = false;
    int clamped = 0;
    std::vector<ClockStep> clockSteps;
};

/// The interval averages of a level list, as `noisedesk-cli average` gives them: the
/// intervals start at the first stamped row; a row without a stamp is skipped. The last
/// interval counts as complete when the rows reach its end, taking each row to last as
/// long as the closest spacing of the rows; an incomplete one is dropped, as Stop drops it.
/// Where the clock steps back the rows are followed in their order, the first after the
/// step one spacing after the last before it, and the step is listed.
ListAverages averageList(const stored::LevelList& list, int intervalSeconds);

} // namespace nd::realtime
