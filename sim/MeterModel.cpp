#include "MeterModel.h"

#include "DisplayFrame.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace nd::sim {

namespace mem = link::memory;

namespace {
constexpr int kCriterionLevels[] = {80, 84, 85, 90};
constexpr int kExchangeRates[] = {3, 4, 5, 6};
constexpr int kFastBit = 0x10;

constexpr int kDefaultThreshold = 80;
constexpr int kDefaultLogInterval = 10; // tenths of a second
/// The meter echoes the "U" before its memory image.
constexpr char kDumpLeadByte = 'U';

constexpr double kEightHours = 8 * 3600.0;
/// Dose is integrated over steps this long when the sound wanders.
constexpr double kDoseStep = 0.25;
/// The loudness symbol lights at and above this level.
constexpr double kLoudLevel = 115.0;
constexpr int kBankCount = 5;
constexpr int kMaxBattery = 7;

int indexOf(const int (&table)[4], int value) {
    const auto* found = std::find(std::begin(table), std::end(table), value);
    return found == std::end(table) ? -1 : static_cast<int>(found - std::begin(table));
}
} // namespace

MeterModel::MeterModel(std::uint32_t seed, QDateTime calendarStart, double timeOrigin)
    : m_memory(mem::kMemorySize, 0), m_sound(seed), m_calendarStart(std::move(calendarStart)),
      m_timeOrigin(timeOrigin), m_measuredUntil(-std::numeric_limits<double>::infinity()) {
    setCell(mem::kThresholdLevel, kDefaultThreshold);
    setCell(mem::kLogIntervalLow, kDefaultLogInterval);
    EventBanks::fillSamples(m_memory);
    erase();
}

int MeterModel::cell(int address) const {
    return m_memory.at(static_cast<std::size_t>(address & 0xFFFF));
}

void MeterModel::setCell(int address, int value) {
    m_memory.at(static_cast<std::size_t>(address & 0xFFFF)) = static_cast<std::uint8_t>(value);
}

int MeterModel::loggedDataEnd() const {
    const int sets = cell(mem::kSetCount);
    if (sets == 0)
        return mem::kEmptyDataEnd;
    return mem::word(cell(mem::dataEndHigh(sets)), cell(mem::dataEndLow(sets)));
}

QByteArray MeterModel::dumpImage() const {
    QByteArray image(1, kDumpLeadByte);
    const auto* cells = reinterpret_cast<const char*>(m_memory.data());
    image.append(cells, loggedDataEnd());
    return image;
}

void MeterModel::erase() {
    setCell(mem::kSetCount, 0);
    setCell(mem::kMemoryState, cell(mem::kMemoryState) & ~mem::kMemoryFullBit);
    // The first set will start where the data area begins.
    setCell(mem::setPointerLow(1), mem::lowByte(mem::kEmptyDataEnd));
    setCell(mem::setPointerHigh(1), mem::highByte(mem::kEmptyDataEnd));
}

int MeterModel::statusByte() const {
    return m_criterionCode | m_exchangeCode << 2 | (m_fast ? kFastBit : 0);
}

bool MeterModel::setDoseSettings(int criterionLevel, int exchangeRate) {
    const int criterion = indexOf(kCriterionLevels, criterionLevel);
    const int exchange = indexOf(kExchangeRates, exchangeRate);
    if (criterion < 0 || exchange < 0)
        return false;
    m_criterionCode = criterion;
    m_exchangeCode = exchange;
    return true;
}

int MeterModel::criterionLevel() const {
    return kCriterionLevels[m_criterionCode];
}

int MeterModel::exchangeRate() const {
    return kExchangeRates[m_exchangeCode];
}

double MeterModel::level(double now) const {
    return m_fixedLevel > 0.0 ? m_fixedLevel : m_sound.levelAt(now - m_timeOrigin);
}

QDateTime MeterModel::calendarAt(double now) const {
    return m_calendarStart.addMSecs(std::llround((now - m_timeOrigin) * 1000.0));
}

double MeterModel::dose(double now) {
    advance(now);
    return m_dose;
}

void MeterModel::advance(double now) {
    if (now <= m_measuredUntil)
        return;
    if (m_run == Run::Running && std::isfinite(m_measuredUntil)) {
        if (m_fixedLevel > 0.0) {
            expose(m_fixedLevel, m_measuredUntil, now - m_measuredUntil);
        } else {
            const auto steps = static_cast<long>(std::ceil((now - m_measuredUntil) / kDoseStep));
            for (long i = 0; i < steps; ++i) {
                const double t = m_measuredUntil + static_cast<double>(i) * kDoseStep;
                const double step = std::min(kDoseStep, now - t);
                expose(level(t + step / 2), t, step);
            }
        }
    }
    m_measuredUntil = now;
}

void MeterModel::expose(double dB, double at, double seconds) {
    m_events.observe(dB, seconds, at);
    if (dB > kHighestShownLevel)
        m_peakSeen = true;
    if (dB < cell(mem::kThresholdLevel))
        return;
    // Allowed time halves with every exchange rate above the criterion level.
    const double allowed =
        kEightHours / std::exp2((dB - criterionLevel()) / static_cast<double>(exchangeRate()));
    m_dose += 100.0 * seconds / allowed;
}

void MeterModel::pressKeys(int code, double now) {
    advance(now);
    if (m_keyLocked)
        return;
    if (m_setup.active())
        return pressInSetup(code, now);
    namespace keys = link::keys;
    const Run before = m_run;
    switch (code) {
    case keys::kMode:
        nextDisplay();
        break;
    case keys::kEvent:
        nextBank();
        break;
    case keys::kReset:
        reset();
        break;
    case keys::kClock:
        toggleClock();
        break;
    case keys::kRunPause:
        runOrPause();
        break;
    case keys::kEndRun:
        endRun();
        break;
    case keys::kResume:
        resume();
        break;
    case keys::kSetup:
        enterSetup(now);
        break;
    default:
        // Keys pressed together (MODE+EVENT, MODE+RESET) only mean something in setup.
        break;
    }
    if (m_run != before)
        followRun(before, now);
}

void MeterModel::nextDisplay() {
    switch (m_display) {
    case Display::Dba:
        m_display = Display::Dose;
        break;
    case Display::Dose:
        m_display = Display::Time;
        break;
    case Display::Time:
        m_display = Display::Date;
        break;
    case Display::Date:
        m_display = Display::Dba;
        break;
    }
}

void MeterModel::toggleClock() {
    // CLOCK shows the time; pressed again it goes back to what was shown before.
    if (m_display == Display::Time) {
        m_display = m_beforeClock == Display::Time ? Display::Dba : m_beforeClock;
    } else {
        m_beforeClock = m_display;
        m_display = Display::Time;
    }
}

void MeterModel::nextBank() {
    if (m_run != Run::Stopped)
        return; // the bank being recorded stays put until the run ends
    m_bank = m_bank % kBankCount + 1;
    m_bankSymbol = true;
}

void MeterModel::reset() {
    if (m_run != Run::Stopped)
        return;
    m_dose = 0.0;
    m_peakSeen = false;
    m_bankSymbol = false;
}

void MeterModel::runOrPause() {
    if (m_run == Run::Stopped)
        m_run = Run::Running;
    else if (m_run == Run::Running)
        m_run = Run::Paused;
}

void MeterModel::endRun() {
    m_run = Run::Stopped;
}

void MeterModel::resume() {
    if (m_run == Run::Paused)
        m_run = Run::Running;
}

void MeterModel::enterSetup(double now) {
    ++m_setupEntries;
    m_setup.enter(calendarAt(now));
}

void MeterModel::setBatteryLevel(int level) {
    m_battery = std::clamp(level, 0, kMaxBattery);
}

int MeterModel::modeByte() const {
    int mode = 0;
    if (m_run != Run::Stopped)
        mode |= frame::kRunning; // a paused run is still a run
    if (m_run == Run::Paused)
        mode |= frame::kPaused;
    switch (m_display) {
    case Display::Dba:
        return mode | frame::kDbaMode;
    case Display::Dose:
        return mode | frame::kDoseMode;
    case Display::Time:
        return mode | frame::kShowsTime | frame::kGroupedDigits;
    case Display::Date:
        return mode | frame::kShowsDate | frame::kGroupedDigits;
    }
    return mode;
}

int MeterModel::indicatorFlags(double dB) const {
    int flags = 0;
    if (m_run != Run::Stopped)
        flags |= frame::kMemory; // logging
    if (dB >= kLoudLevel)
        flags |= frame::kLoud;
    if (m_peakSeen)
        flags |= frame::kPeak;
    if (m_keyLocked)
        flags |= frame::kKeyLocked;
    return flags;
}

int MeterModel::extraByte() const {
    return m_bank | (m_bankSymbol ? frame::kBankSymbol : 0) | m_battery << frame::kBatteryShift;
}

QByteArray MeterModel::displayFrame(double now) {
    advance(now);
    const double dB = level(now);
    if (m_setup.active())
        return setupFrame(dB);
    DisplayDigits digits;
    switch (m_display) {
    case Display::Dba:
        digits = levelDigits(dB);
        break;
    case Display::Dose:
        digits = doseDigits(m_dose);
        break;
    case Display::Time: {
        const QTime time = calendarAt(now).time();
        digits = groupedDigits(time.hour(), time.minute());
        break;
    }
    case Display::Date: {
        const QDate date = calendarAt(now).date();
        digits = groupedDigits(date.month(), date.day());
        break;
    }
    }
    const int flags = digits.flags | indicatorFlags(dB);
    QByteArray out;
    for (int b : {int(link::kStx), modeByte(), flags, digits.high, digits.low, extraByte(),
                  int(link::kEtx)})
        out.append(static_cast<char>(b));
    return out;
}

} // namespace nd::sim
