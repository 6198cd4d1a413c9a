#include "LoggedSets.h"

#include "VirtualMeter.h"
#include "link/MemoryMap.h"

#include <algorithm>

namespace nd::sim {

namespace mem = link::memory;

namespace {

constexpr int kDataAreaStart = 768;
constexpr int kDataAreaEnd = 31232;
constexpr int kHeaderBytes = 8;
constexpr int kRecordBytes = 3;
constexpr int kOverloadFlag = 0x40;

int bcd(int value) {
    return (value / 10) << 4 | value % 10;
}

int setBytes(const LoggedSetSpec& spec) {
    return kHeaderBytes + kRecordBytes * spec.records + 1;
}

/// A reproducible wandering level in tenths of a dB.
class LevelWalk {
public:
    explicit LevelWalk(std::uint32_t seed) : m_state(seed * 2654435761u + 1u) {}
    int next() {
        m_state = m_state * 1664525u + 1013904223u;
        const int step = static_cast<int>(m_state >> 24) % 41 - 20;
        m_level = std::clamp(m_level + step, 620, 1250);
        return m_level;
    }

private:
    std::uint32_t m_state;
    int m_level = 850;
};

} // namespace

bool storeLoggedSets(VirtualMeter& meter, const std::vector<LoggedSetSpec>& sets,
                     std::uint32_t seed) {
    int end = kDataAreaStart;
    for (const LoggedSetSpec& s : sets)
        end += setBytes(s);
    if (end > kDataAreaEnd || sets.size() > 127)
        return false;
    LevelWalk walk(seed);
    int at = kDataAreaStart;
    int number = 0;
    auto put = [&meter, &at](int value) { meter.setCell(at++, value); };
    for (const LoggedSetSpec& s : sets) {
        ++number;
        meter.setCell(mem::setPointerLow(number), mem::lowByte(at));
        meter.setCell(mem::setPointerHigh(number), mem::highByte(at));
        const QDate d = s.start.date();
        const QTime t = s.start.time();
        for (int v : {d.year() % 100, d.month(), d.day(), t.hour(), t.minute(), t.second()})
            put(bcd(v));
        put(mem::lowByte(s.intervalTenths));
        put(mem::highByte(s.intervalTenths));
        for (int k = 0; k < s.records; ++k) {
            const int tenths = walk.next();
            put(bcd(tenths % 100));
            put(bcd(tenths / 100));
            put(tenths >= 1240 ? kOverloadFlag : 0);
        }
        put(0); // the spare byte after the last record
    }
    meter.setCell(mem::setPointerLow(number + 1), mem::lowByte(at));
    meter.setCell(mem::setPointerHigh(number + 1), mem::highByte(at));
    meter.setCell(mem::kSetCount, number);
    return true;
}

std::vector<LoggedSetSpec> demoSets(int count, const QDateTime& until) {
    static constexpr int kIntervals[] = {10, 3, 600, 1250, 20};
    std::vector<LoggedSetSpec> sets;
    for (int i = 0; i < count; ++i) {
        LoggedSetSpec s;
        s.start = QDateTime(until.date().addDays(i - count), QTime(9, 15 + i % 40, 30));
        s.intervalTenths = kIntervals[i % 5];
        s.records = 120 + 60 * (i % 4);
        sets.push_back(s);
    }
    return sets;
}

std::vector<LoggedSetSpec> shiftSets(const QDateTime& until) {
    const QDate day = until.date().addDays(-1);
    return {
        {QDateTime(day, QTime(6, 58, 20)), 100, 900},          // 2.5 h from 07:00
        {QDateTime(day, QTime(12, 15, 5)), 100, 540},          // 1.5 h after lunch
        {QDateTime(day, QTime(22, 40, 0)), 600, 300},          // 5 h across midnight
        {QDateTime(day.addDays(1), QTime(5, 50, 0)), 10, 300}, // 5 min at the press
    };
}

bool storeShift(VirtualMeter& meter, const QDateTime& until) {
    const std::vector<LoggedSetSpec> sets = shiftSets(until);
    if (!storeLoggedSets(meter, sets))
        return false;
    const int last = static_cast<int>(sets.size());
    const int start =
        mem::word(meter.cell(mem::setPointerHigh(last)), meter.cell(mem::setPointerLow(last)));
    for (int k = 120; k < 180; ++k) {
        const int flags = start + kHeaderBytes + kRecordBytes * k + 2;
        meter.setCell(flags, meter.cell(flags) | kOverloadFlag);
    }
    return true;
}

std::vector<LoggedSetSpec> fullMemorySets(const QDateTime& until) {
    std::vector<LoggedSetSpec> sets = demoSets(4, until);
    int used = 0;
    for (const LoggedSetSpec& s : sets)
        used += setBytes(s);
    LoggedSetSpec last;
    last.start = QDateTime(until.date().addDays(-1), QTime(7, 0, 0));
    last.intervalTenths = 10;
    last.records = (kDataAreaEnd - kDataAreaStart - used - kHeaderBytes - 1) / kRecordBytes;
    sets.push_back(last);
    return sets;
}

bool storeFullMemory(VirtualMeter& meter, const QDateTime& until) {
    if (!storeLoggedSets(meter, fullMemorySets(until)))
        return false;
    meter.setCell(mem::kMemoryState, meter.cell(mem::kMemoryState) | mem::kMemoryFullBit);
    return true;
}

} // namespace nd::sim
