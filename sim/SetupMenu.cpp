#include "SetupMenu.h"

#include "link/Meter.h"

#include <algorithm>

namespace nd::sim {

namespace {
constexpr int kCodes = 4; // criterion levels and exchange rates each have four
constexpr int kExchangeMark = 0xE0;
constexpr int kFastMark = 0x0F;
constexpr int kSlowMark = 0x05; // an S on seven segments
/// The item number the meter shows in front of a dose setting.
constexpr int kCriterionScreen = 0x01;
constexpr int kThresholdScreen = 0x02;
constexpr int kExchangeScreen = 0x03;
constexpr int kWeightingScreen = 0x04;

constexpr int kCriterionLevels[kCodes] = {80, 84, 85, 90};
constexpr int kExchangeRates[kCodes] = {3, 4, 5, 6};

/// Steps value within [low, high], going round at either end.
int wrap(int value, int direction, int low, int high) {
    const int span = high - low + 1;
    return low + ((value - low + direction) % span + span) % span;
}
} // namespace

void SetupMenu::enter(const QDateTime& clock) {
    m_active = true;
    m_item = Item::Criterion;
    const QDate date = clock.date();
    const QTime time = clock.time();
    m_yearHigh = date.year() / 100;
    m_yearLow = date.year() % 100;
    m_month = date.month();
    m_day = date.day();
    m_hour = time.hour();
    m_minute = time.minute();
}

std::optional<QDateTime> SetupMenu::press(int code, Settings& settings) {
    namespace keys = link::keys;
    switch (code) {
    case keys::kEvent:
        step(+1, settings);
        break;
    case keys::kMode + keys::kEvent:
        step(-1, settings);
        break;
    case keys::kClock:
        m_item = m_item == Item::Weighting ? Item::Criterion
                                           : static_cast<Item>(static_cast<int>(m_item) + 1);
        break;
    case keys::kReset:
        m_active = false;
        return editedClock();
    case keys::kMode + keys::kReset:
        // Abandoned: the dose settings already took, the clock edit is dropped.
        m_active = false;
        break;
    default:
        break;
    }
    return std::nullopt;
}

void SetupMenu::step(int direction, Settings& s) {
    switch (m_item) {
    case Item::Criterion:
        s.criterionCode = wrap(s.criterionCode, direction, 0, kCodes - 1);
        break;
    case Item::Threshold:
        s.threshold = wrap(s.threshold, direction, kLowestThreshold, kHighestThreshold);
        break;
    case Item::Exchange:
        s.exchangeCode = wrap(s.exchangeCode, direction, 0, kCodes - 1);
        break;
    case Item::YearHigh:
        m_yearHigh = wrap(m_yearHigh, direction, 0, 99);
        break;
    case Item::YearLow:
        m_yearLow = wrap(m_yearLow, direction, 0, 99);
        break;
    case Item::Month:
        m_month = wrap(m_month, direction, 1, 12);
        break;
    case Item::Day:
        m_day = wrap(m_day, direction, 1, 31);
        break;
    case Item::Hour:
        m_hour = wrap(m_hour, direction, 0, 23);
        break;
    case Item::Minute:
        m_minute = wrap(m_minute, direction, 0, 59);
        break;
    case Item::Weighting:
        s.fast = !s.fast;
        break;
    }
}

QDateTime SetupMenu::editedClock() const {
    const int year = m_yearHigh * 100 + m_yearLow;
    // The meter takes 31 for every month; a day past the month's end becomes its last.
    const int day = std::min(m_day, QDate(year, m_month, 1).daysInMonth());
    return {QDate(year, m_month, day), QTime(m_hour, m_minute)};
}

DisplayDigits SetupMenu::digits(const Settings& s) const {
    switch (m_item) {
    case Item::Criterion:
        return {kCriterionScreen, toBcd(kCriterionLevels[s.criterionCode]), 0};
    case Item::Threshold:
        return {kThresholdScreen, toBcd(s.threshold), 0};
    case Item::Exchange:
        return {kExchangeScreen, kExchangeMark | kExchangeRates[s.exchangeCode], 0};
    case Item::YearHigh:
    case Item::YearLow:
        return groupedDigits(m_yearHigh, m_yearLow);
    case Item::Month:
    case Item::Day:
        return groupedDigits(m_month, m_day);
    case Item::Hour:
    case Item::Minute:
        return groupedDigits(m_hour, m_minute);
    case Item::Weighting:
        return {kWeightingScreen, s.fast ? kFastMark : kSlowMark, 0};
    }
    return {};
}

int SetupMenu::modeByte() const {
    switch (m_item) {
    case Item::YearHigh:
    case Item::YearLow:
    case Item::Month:
    case Item::Day:
        return frame::kGroupedDigits | frame::kShowsDate;
    case Item::Hour:
    case Item::Minute:
        return frame::kGroupedDigits | frame::kShowsTime;
    default:
        return frame::kGroupedDigits;
    }
}

} // namespace nd::sim
