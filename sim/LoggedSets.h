#pragma once

#include <QDateTime>

#include <cstdint>
#include <vector>

namespace nd::sim {

class VirtualMeter;

/// One data set as the meter logs it: a start, an interval and a number of records.
struct LoggedSetSpec {
    QDateTime start;
    int intervalTenths = 10;
    int records = 0;
};

/// Stores data sets in the meter's memory the way the meter lays them out: the count in
/// cell 22, the pointer table from cell 512, each set's BCD header, interval and 3-byte
/// records (BCD level, overload flag), one spare byte after each set. The levels follow
/// a seeded walk between about 62 and 125 dB with a few overloads. Replaces whatever
/// sets were stored; false (nothing changed) when they do not fit the memory.
bool storeLoggedSets(VirtualMeter& meter, const std::vector<LoggedSetSpec>& sets,
                     std::uint32_t seed = 1);

/// `count` sets of a few hundred records each, on the days before `until`.
std::vector<LoggedSetSpec> demoSets(int count, const QDateTime& until);
/// A working day as a hygienist would log it, ending before `until`: a morning and an
/// afternoon set at 10 s, a night set at 60 s that runs across midnight, and a short
/// loud set at 1 s with over-range records. What the built-in virtual meter holds.
std::vector<LoggedSetSpec> shiftSets(const QDateTime& until);

/// Stores the shift, with a burst of over-range records (a minute of press blows) in its
/// loud set.
bool storeShift(VirtualMeter& meter, const QDateTime& until);

/// Sets that fill the logging memory to its end (about 31 KB of dump).
std::vector<LoggedSetSpec> fullMemorySets(const QDateTime& until);

/// Stores the sets and raises the memory-full flag when they fill the memory.
bool storeFullMemory(VirtualMeter& meter, const QDateTime& until);

} // namespace nd::sim
