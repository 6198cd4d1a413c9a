#include "SetupTransfer.h"

#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <utility>

namespace nd::setup {

namespace keys = link::keys;

namespace {

constexpr int kStepUp = keys::kEvent;
constexpr int kStepDown = keys::kMode + keys::kEvent;
constexpr int kNext = keys::kClock;
constexpr int kEnd = keys::kReset;
constexpr int kAbandon = keys::kMode + keys::kReset;
constexpr int kKeyLockedBit = 0x80;
constexpr int kFastBit = 0x10;
/// Items of the walk, in the meter's order; progress counts them.
constexpr int kWalkSteps = 10;

/// The five payload bytes of a display frame.
struct Frame {
    int mode = 0;
    int flags = 0;
    int high = 0;
    int low = 0;
    int extra = 0;
};

/// A display byte as the meter means it: its hexadecimal digits read as a decimal
/// number, a digit A to F ending the number (0x85 is 85, 0x08 is 8, 0x5E is 5).
int DigitsNumber(int b) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    if (high > 9)
        return 0;
    if (low > 9)
        return high;
    return high * 10 + low;
}

/// The last hexadecimal digit of a byte read as a decimal digit (0xE5 is 5).
int LastDigit(int b) {
    const int low = b & 0x0F;
    return low > 9 ? 0 : low;
}

/// Thrown inside the walk when an item cannot be brought to its value.
struct WalkFailed {
    QString why;
};
/// Thrown at a key press once the transfer has been asked to stop.
struct Cancelled {};

const QString kLostText = QStringLiteral(
    "The meter was not on the setup item the program expected (its display did not step "
    "as that item does), so the setup was abandoned at once.");
const QString kStoppedText =
    QStringLiteral("The setup was stopped before it ended and was abandoned.");

using Step = std::function<int(int current, int wanted)>;
using Wanted = std::function<int()>;

int Toward(int current, int wanted) {
    return current < wanted ? kStepUp : kStepDown;
}
int AlwaysUp(int, int) {
    return kStepUp;
}
/// Minutes go up through 59 to 00 when that is the short way from the upper half.
int MinuteStep(int current, int wanted) {
    if (current < wanted)
        return kStepUp;
    return current >= 30 && wanted < 30 ? kStepUp : kStepDown;
}

int High(const Frame& f) {
    return DigitsNumber(f.high);
}
int Low(const Frame& f) {
    return DigitsNumber(f.low);
}
int ExchangeDigit(const Frame& f) {
    return LastDigit(f.low);
}

/// Steps value within [low, high], going round at either end, as the meter does.
int Wrap(int value, int direction, int low, int high) {
    const int span = high - low + 1;
    return low + ((value - low + direction) % span + span) % span;
}
constexpr int kCriterionLevels[] = {80, 84, 85, 90};
int CriterionIndex(int dB) {
    const auto* at = std::find(std::begin(kCriterionLevels), std::end(kCriterionLevels), dB);
    return at == std::end(kCriterionLevels) ? -1 : static_cast<int>(at - kCriterionLevels);
}

/// What an item of the meter's setup mode shows and how its keys step it.
struct Rule {
    /// Where the item's value is on the display: a whole byte, or the last digit of the
    /// low byte (the exchange rate, behind its mark).
    enum class Shown { HighByte, LowByte, LastDigit };
    const char* name;
    Shown shown;
    int low, high; ///< its values (the criterion level: four of them)
    bool criterion = false;

    bool highByte() const { return shown == Shown::HighByte; }
    int value(const Frame& f) const {
        switch (shown) {
        case Shown::HighByte:
            return High(f);
        case Shown::LowByte:
            return Low(f);
        case Shown::LastDigit:
            return ExchangeDigit(f);
        }
        return -1;
    }
    bool valid(int v) const { return criterion ? CriterionIndex(v) >= 0 : v >= low && v <= high; }
    int next(int v, int direction) const {
        if (criterion)
            return kCriterionLevels[Wrap(CriterionIndex(v), direction, 0, 3)];
        return Wrap(v, direction, low, high);
    }
};

using Shown = Rule::Shown;
const Rule kCriterionRule{"criterion level", Shown::LowByte, 80, 90, true};
const Rule kThresholdRule{"threshold level", Shown::LowByte, kLowestThreshold, kHighestThreshold};
const Rule kExchangeRule{"exchange rate", Shown::LastDigit, 3, 6};
const Rule kYearHighRule{"year", Shown::HighByte, 0, 99};
const Rule kYearLowRule{"year", Shown::LowByte, 0, 99};
const Rule kMonthRule{"month", Shown::HighByte, 1, 12};
const Rule kDayRule{"day", Shown::LowByte, 1, 31};
const Rule kHourRule{"hour", Shown::HighByte, 0, 23};
const Rule kMinuteRule{"minutes", Shown::LowByte, 0, 59};

/// The meter's dose settings as its status byte and cell 59 give them (-1: not read).
struct Settings {
    int criterion = -1;
    int exchange = -1;
    int fast = -1;
    int threshold = -1;
    int status = -1;
};

link::MeterState ModeOf(const Frame& f) {
    link::MeterState mode;
    link::DecodeModeByte(mode, f.mode);
    return mode;
}

/// SettingUp stretches every key press; it must not outlive the transfer, however the
/// transfer ends (a failure, the link stopping, the port lost).
class SettingUpScope {
public:
    explicit SettingUpScope(link::Meter& meter) : m_meter(meter) {
        m_meter.state().SettingUp = true;
        m_meter.publishState();
    }
    ~SettingUpScope() { m_meter.state().SettingUp = false; }
    SettingUpScope(const SettingUpScope&) = delete;
    SettingUpScope& operator=(const SettingUpScope&) = delete;

private:
    link::Meter& m_meter;
};

class Walk {
public:
    Walk(link::Meter& meter, const SetupRequest& request, const std::atomic<bool>* cancel)
        : m_meter(meter), m_request(request), m_cancel(cancel) {}

    SetupResult run();

private:
    enum Item { Criterion, Threshold, Exchange, Clock, Weighting, None };
    Item lastAskedItem() const;
    void walk();
    void walkClock();
    void finish();
    void abandon(const QString& why);
    void stepped(int step);
    void press(int code);
    QDateTime pcClock() const;

    std::optional<Frame> readDisplay();
    Frame display(const QString& item);
    int adjust(const Rule& rule, const Wanted& wanted, int limit, const Step& step,
               double extraWait = 0.0, int* first = nullptr);
    void adjustWeighting(bool fast);
    std::optional<int> readStatusByte();
    std::optional<int> readCellByte(int address);
    std::optional<Settings> readSettings();
    void readSettingsAfter();
    void noteClockDisplay(const Frame& frame);
    SetupResult compare() const;

    link::Meter& m_meter;
    const SetupRequest& m_request;
    const std::atomic<bool>* m_cancel;
    QString m_failure;
    bool m_resetSent = false;
    bool m_leftSetup = false;
    bool m_outAfterAbort = false; ///< out of setup mode after MODE+RESET
    bool m_statusRead = false;
    bool m_interrupted = false;
    bool m_noAnswer = false;
    bool m_keyLocked = false;
    std::optional<Settings> m_before;
    std::optional<Settings> m_after;
    // What the walk read back, item by item (-1: never read).
    int m_criterion = -1;
    int m_threshold = -1;
    int m_thresholdWanted = -1;
    int m_exchange = -1;
    int m_yearHigh = -1, m_yearLow = -1, m_month = -1, m_day = -1, m_hour = -1, m_minute = -1;
    int m_status = -1;
    // The clock as the setup screens showed it first, and as asked when walked.
    int m_firstYearHigh = -1, m_firstYearLow = -1, m_firstMonth = -1, m_firstDay = -1;
    int m_firstHour = -1, m_firstMinute = -1;
    int m_askedYear = -1, m_askedMonth = -1, m_askedDay = -1, m_askedHour = -1;
    int m_askedMinute = -1;
    // The clock as the meter's own time and date displays showed it after the walk.
    int m_shownHour = -1, m_shownMinute = -1, m_shownMonth = -1, m_shownDay = -1;
};

Walk::Item Walk::lastAskedItem() const {
    if (m_request.FastResponse)
        return Weighting;
    if (m_request.Clock)
        return Clock;
    if (m_request.ExchangeRate || m_request.FromStandardsTable)
        return Exchange;
    if (m_request.ThresholdLevel)
        return Threshold;
    if (m_request.CriterionLevel)
        return Criterion;
    return None;
}

QDateTime Walk::pcClock() const {
    return m_request.PcClock ? m_request.PcClock() : *m_request.Clock;
}

void Walk::press(int code) {
    if (m_cancel && m_cancel->load())
        throw Cancelled{};
    m_meter.PressKey(code);
}

std::optional<Frame> Walk::readDisplay() {
    for (int attempt = 0; attempt < limit::kReads; ++attempt) {
        m_meter.ReadRaw(); // whatever is waiting belongs to no question of ours
        m_meter.WriteRaw(" ");
        m_meter.Delay(link::pause::kDisplay);
        const QByteArray reply = m_meter.ReadRaw();
        if (reply.size() != link::kDisplayReplyLength ||
            !link::FrameOk(reply, link::kDisplayReplyLength))
            continue;
        auto at = [&](int i) { return static_cast<unsigned char>(reply.at(i)); };
        return Frame{at(1), at(2), at(3), at(4), at(5)};
    }
    return std::nullopt;
}

Frame Walk::display(const QString& item) {
    if (auto frame = readDisplay())
        return *frame;
    throw WalkFailed{QStringLiteral("The meter stopped answering at the %1.").arg(item)};
}

int Walk::adjust(const Rule& rule, const Wanted& wanted, int limit, const Step& step,
                 double extraWait, int* first) {
    const QString item = QString::fromLatin1(rule.name);
    Frame frame = display(item);
    int current = rule.value(frame);
    if (first)
        *first = current;
    // A value the item cannot hold: the meter shows another item.
    if (!rule.valid(current))
        throw WalkFailed{kLostText};
    QList<int> seen{current};
    int unmoved = 0;
    for (int n = 0; n < limit && current != wanted(); ++n) {
        const int key = step(current, wanted());
        press(key);
        const Frame after = display(item);
        if (extraWait > 0.0)
            m_meter.Delay(extraWait);
        const int value = rule.value(after);
        // The item's keys change its own digits only, and only to its next value.
        const bool sameScreen =
            after.mode == frame.mode && (rule.highByte() ? after.low : after.high) ==
                                            (rule.highByte() ? frame.low : frame.high);
        if (!sameScreen || !rule.valid(value))
            throw WalkFailed{kLostText};
        if (value == current) {
            // A lost key; a few in a row and the item counts as failed.
            if (++unmoved == limit::kUnmoved)
                break;
            continue;
        }
        unmoved = 0;
        if (value != rule.next(current, key == kStepUp ? 1 : -1) || seen.contains(value))
            throw WalkFailed{kLostText}; // another item's steps, or round past the value
        seen.append(value);
        current = value;
        frame = after;
    }
    if (current != wanted())
        throw WalkFailed{QStringLiteral("The %1 stayed at %2 instead of %3.")
                             .arg(item)
                             .arg(current)
                             .arg(wanted())};
    return current;
}

std::optional<int> Walk::readStatusByte() {
    for (int attempt = 0; attempt < limit::kReads; ++attempt) {
        m_meter.ReadRaw();
        m_meter.WriteRaw("X");
        m_meter.Delay(link::pause::kStatus);
        const QByteArray reply = m_meter.ReadRaw();
        if (link::FrameOk(reply, link::kStatusReplyLength))
            return static_cast<unsigned char>(
                link::LastBytes(reply, link::kStatusReplyLength).at(1));
    }
    return std::nullopt;
}

std::optional<int> Walk::readCellByte(int address) {
    const QByteArray command = link::Bytes({'R', address % 256, address / 256});
    for (int attempt = 0; attempt < limit::kCellReads; ++attempt) {
        m_meter.ReadRaw();
        m_meter.WriteRaw(command);
        m_meter.Delay(link::pause::kReadCell);
        const QByteArray reply = m_meter.ReadRaw();
        if (link::FrameOk(reply, link::kCellReplyLength))
            return static_cast<unsigned char>(link::LastBytes(reply, link::kCellReplyLength).at(1));
    }
    return std::nullopt;
}

std::optional<Settings> Walk::readSettings() {
    const auto status = readStatusByte();
    if (!status)
        return std::nullopt;
    link::MeterState decoded;
    link::DecodeStatusByte(decoded, *status);
    Settings s;
    s.status = *status;
    s.criterion = decoded.CriterionLevel;
    s.exchange = decoded.ExchangeRate;
    s.fast = decoded.FastResponse ? 1 : 0;
    s.threshold = readCellByte(link::memory::kThresholdLevel).value_or(-1);
    return s;
}

void Walk::readSettingsAfter() {
    // Bounded reads only: this runs also while the program is stopping.
    m_after = readSettings();
    link::MeterState& state = m_meter.state();
    if (m_after) {
        link::DecodeStatusByte(state, m_after->status);
        if (m_after->threshold >= 0)
            state.ThresholdText = QString::number(m_after->threshold);
        m_statusRead = m_after->threshold >= 0;
    }
    // The next poll cycle runs the status poll, which also puts the link caption right.
    state.StatusCheckPending = true;
}

void Walk::adjustWeighting(bool fast) {
    const QString item = QStringLiteral("time weighting");
    std::optional<Frame> pressedOn; // the display before the last press
    for (int presses = 0;; ++presses) {
        const auto status = readStatusByte();
        if (!status)
            throw WalkFailed{QStringLiteral("The meter stopped answering at the time weighting.")};
        if (pressedOn && *status == m_status) {
            // The weighting did not toggle; if the display's digits stepped all the same,
            // the press stepped another item.
            const Frame now = display(item);
            if (now.high != pressedOn->high || now.low != pressedOn->low)
                throw WalkFailed{kLostText};
        }
        m_status = *status;
        if (((m_status & kFastBit) != 0) == fast)
            return;
        if (presses == limit::kWeighting)
            throw WalkFailed{QStringLiteral("The time weighting did not change.")};
        pressedOn = display(item);
        press(kStepUp);
    }
}

void Walk::stepped(int step) {
    m_meter.reportProgress(step * 100 / (kWalkSteps + 1));
}

void Walk::walk() {
    const SetupRequest& r = m_request;
    const Item last = lastAskedItem();

    press(keys::kSetup);
    m_meter.ReadRaw();
    m_meter.Delay(wait::kAfterSetupKey);

    // Criterion level; read even when only the threshold is asked, which it caps.
    if (r.CriterionLevel) {
        const int wanted = *r.CriterionLevel;
        m_criterion = adjust(
            kCriterionRule, [wanted] { return wanted; }, limit::kCriterion, AlwaysUp);
    } else if (r.ThresholdLevel) {
        m_criterion = Low(display(QStringLiteral("criterion level")));
        if (!kCriterionRule.valid(m_criterion))
            throw WalkFailed{kLostText};
    }
    stepped(1);
    if (last == Criterion)
        return;

    press(kNext);
    if (r.ThresholdLevel) {
        m_thresholdWanted = std::max(std::min(*r.ThresholdLevel, m_criterion), kLowestThreshold);
        const int wanted = m_thresholdWanted;
        m_threshold = adjust(
            kThresholdRule, [wanted] { return wanted; }, limit::kThreshold, Toward);
    }
    stepped(2);
    if (last == Threshold)
        return;

    press(kNext);
    if (r.ExchangeRate) {
        const int wanted = *r.ExchangeRate;
        m_exchange = adjust(
            kExchangeRule, [wanted] { return wanted; }, limit::kExchange, AlwaysUp,
            link::pause::kDisplay);
    }
    stepped(3);
    if (last == Exchange)
        return;

    press(kNext);
    if (r.Clock) {
        walkClock();
    } else {
        // Past the clock's six items without touching them.
        for (int i = 0; i < 5; ++i)
            press(kNext);
    }
    if (last == Clock)
        return;

    press(kNext);
    if (r.FastResponse)
        adjustWeighting(*r.FastResponse);
    stepped(10);
}

void Walk::walkClock() {
    // Each item takes the clock as it reads when the item is walked, so a transfer that
    // takes minutes still sets the minute it ends in.
    m_askedYear = pcClock().date().year();
    m_yearHigh = adjust(
        kYearHighRule, [this] { return m_askedYear / 100; }, limit::kYearDigits, Toward, 0.0,
        &m_firstYearHigh);
    stepped(4);
    press(kNext);
    m_yearLow = adjust(
        kYearLowRule, [this] { return m_askedYear % 100; }, limit::kYearDigits, Toward, 0.0,
        &m_firstYearLow);
    stepped(5);
    press(kNext);
    m_askedMonth = pcClock().date().month();
    m_month = adjust(
        kMonthRule, [this] { return m_askedMonth; }, limit::kMonth, Toward, 0.0, &m_firstMonth);
    stepped(6);
    press(kNext);
    m_askedDay = pcClock().date().day();
    m_day = adjust(
        kDayRule, [this] { return m_askedDay; }, limit::kDay, Toward, 0.0, &m_firstDay);
    stepped(7);
    press(kNext);
    m_askedHour = pcClock().time().hour();
    m_hour = adjust(
        kHourRule, [this] { return m_askedHour; }, limit::kHour, Toward, wait::kHourRead,
        &m_firstHour);
    stepped(8);
    press(kNext);
    const QDate walkedDate(m_askedYear, m_askedMonth, m_askedDay);
    const auto minuteNow = [this, walkedDate] {
        const QDateTime now = pcClock();
        // Past the hour that was walked: its last minute is the nearest the meter can get.
        m_askedMinute =
            now.date() == walkedDate && now.time().hour() == m_askedHour ? now.time().minute() : 59;
        return m_askedMinute;
    };
    m_minute = adjust(kMinuteRule, minuteNow, limit::kMinute, MinuteStep, wait::kMinuteRead,
                      &m_firstMinute);
    stepped(9);
}

void Walk::noteClockDisplay(const Frame& frame) {
    const link::MeterState mode = ModeOf(frame);
    if (mode.ShowsTime) {
        m_shownHour = High(frame);
        m_shownMinute = Low(frame);
    } else if (mode.ShowsDate) {
        m_shownMonth = High(frame);
        m_shownDay = Low(frame);
    }
}

void Walk::finish() {
    press(kEnd);
    m_resetSent = true;
    m_meter.Delay(wait::kAfterReset);
    m_meter.reportProgress(100);
    // "X" is answered in setup mode too: only the display tells that the meter left it.
    const auto shown = readDisplay();
    if (!shown)
        throw WalkFailed{QStringLiteral("The meter stopped answering after RESET (key 4).")};
    const link::MeterState mode = ModeOf(*shown);
    if (!mode.DbaMode && !mode.DoseMode)
        throw WalkFailed{
            QStringLiteral("The meter did not leave setup mode after RESET (key 4); it was "
                           "abandoned with MODE+RESET, which drops the clock.")};
    m_leftSetup = true;
    readSettingsAfter();
    if (!m_statusRead || m_request.FromStandardsTable)
        return;
    // Back round to dBA, passing the meter's own time and date displays on the way.
    for (int i = 0; i < 3; ++i) {
        m_meter.PressKeyQuick(keys::kMode);
        m_meter.Delay(wait::kAfterModeQuick);
        if (const auto frame = readDisplay())
            noteClockDisplay(*frame);
    }
}

void Walk::abandon(const QString& why) {
    m_failure = why;
    if (!m_leftSetup)
        m_meter.WriteRaw(link::Bytes({'F', kAbandon}));
    m_meter.state().SettingUp = false;
    m_meter.reportProgress(100);
    readSettingsAfter();
    if (m_leftSetup)
        return;
    const auto shown = readDisplay();
    m_outAfterAbort = shown && (ModeOf(*shown).DbaMode || ModeOf(*shown).DoseMode);
    if (!m_outAfterAbort)
        m_failure += QStringLiteral(" The meter may still be in setup mode: it does not show a "
                                    "reading.");
}

SetupResult Walk::run() {
    const auto first = readDisplay();
    if (!first) {
        m_meter.state().StatusCheckPending = true;
        m_noAnswer = true;
        m_failure = QStringLiteral("The meter did not answer; nothing was sent.");
        return compare();
    }
    if (first->flags & kKeyLockedBit) {
        // Nothing is pressed; the settings still say what the meter has.
        m_keyLocked = true;
        m_before = readSettings();
        readSettingsAfter();
        m_failure = QString::fromLatin1(kKeyLockedText);
        m_meter.publishState();
        return compare();
    }
    m_before = readSettings();
    {
        SettingUpScope settingUp(m_meter);
        try {
            walk();
            finish();
        } catch (const WalkFailed& failed) {
            abandon(failed.why);
        } catch (const Cancelled&) {
            m_interrupted = true;
            abandon(kStoppedText);
        } catch (const link::LinkStopped&) {
            link::Clock& clock = m_meter.clock();
            if (!clock.interrupted())
                throw; // the port is closed: nothing can be sent
            // Ctrl+C or the program closing: leave the meter out of setup mode first, with
            // bounded waits, then let the interrupt go on.
            clock.clearInterrupt();
            m_interrupted = true;
            try {
                abandon(kStoppedText);
            } catch (const link::LinkInterrupted&) {
            }
            clock.interrupt();
        }
    }
    m_meter.publishState();
    return compare();
}

SetupResult Walk::compare() const {
    const SetupRequest& r = m_request;
    SetupResult result;
    result.failure = m_failure;
    result.statusRead = m_statusRead;
    result.leftSetup = m_leftSetup;
    result.noAnswer = m_noAnswer;
    result.keyLocked = m_keyLocked;
    result.interrupted = m_interrupted;
    if (r.ThresholdLevel) {
        result.thresholdAsked = *r.ThresholdLevel;
        result.thresholdCapped = m_thresholdWanted >= 0 && m_thresholdWanted < *r.ThresholdLevel;
    }

    auto number = [](int v) { return v < 0 ? QString() : QString::number(v); };
    auto add = [&](const QString& name, std::optional<QString> asked, QString reported,
                   bool confirmed, QString before) {
        ItemResult item{name, asked.value_or(QString()), reported, true, before};
        if (asked)
            item.took = confirmed && reported == *asked;
        result.items.append(item);
    };
    auto askedNumber = [](std::optional<int> v) {
        return v ? std::optional<QString>(QString::number(*v)) : std::nullopt;
    };
    auto setting = [&](const std::optional<Settings>& s, int Settings::*field) {
        return s ? number((*s).*field) : QString();
    };

    // Dose settings as the meter reports them after the walk (the walk's read-back when
    // the meter could not be read, never counted as taken then).
    const bool st = m_statusRead;
    // Dose settings change in the meter as they are stepped; they count once the meter is
    // out of setup mode, whether by RESET or by the abort.
    const bool held = st && (m_leftSetup || m_outAfterAbort);
    add(QStringLiteral("Criterion level"), askedNumber(r.CriterionLevel),
        st ? setting(m_after, &Settings::criterion) : number(m_criterion), held,
        setting(m_before, &Settings::criterion));
    add(QStringLiteral("Threshold level"),
        r.ThresholdLevel
            ? askedNumber(m_thresholdWanted >= 0 ? m_thresholdWanted : *r.ThresholdLevel)
            : std::nullopt,
        st ? setting(m_after, &Settings::threshold) : number(m_threshold), held,
        setting(m_before, &Settings::threshold));
    add(QStringLiteral("Exchange rate"), askedNumber(r.ExchangeRate),
        st ? setting(m_after, &Settings::exchange) : number(m_exchange), held,
        setting(m_before, &Settings::exchange));
    if (r.Clock) {
        // The clock takes at RESET and is confirmed by the meter's time and date displays;
        // MODE+RESET drops it. The year shows on no display outside setup mode.
        const auto asked = [&](int walked, int fixed) {
            return std::optional<QString>(QString::number(walked >= 0 ? walked : fixed));
        };
        const auto year = [](int high, int low) {
            return high < 0 || low < 0 ? -1 : high * 100 + low;
        };
        const QDate date = r.Clock->date();
        const QTime time = r.Clock->time();
        const bool set = m_leftSetup;
        add(QStringLiteral("Year"), asked(m_askedYear, date.year()),
            set ? number(year(m_yearHigh, m_yearLow)) : QString(), set,
            number(year(m_firstYearHigh, m_firstYearLow)));
        add(QStringLiteral("Month"), asked(m_askedMonth, date.month()),
            set ? number(m_shownMonth) : QString(), set, number(m_firstMonth));
        add(QStringLiteral("Day"), asked(m_askedDay, date.day()),
            set ? number(m_shownDay) : QString(), set, number(m_firstDay));
        add(QStringLiteral("Hour"), asked(m_askedHour, time.hour()),
            set ? number(m_shownHour) : QString(), set, number(m_firstHour));
        add(QStringLiteral("Minutes"), asked(m_askedMinute, time.minute()),
            set ? number(m_shownMinute) : QString(), set, number(m_firstMinute));
    }
    const auto weightingText = [](int fast) {
        return fast < 0 ? QString() : fast ? QStringLiteral("Fast") : QStringLiteral("Slow");
    };
    QString weighting;
    if (st)
        weighting = weightingText(m_after->fast);
    else if (m_status >= 0)
        weighting = weightingText((m_status & kFastBit) != 0 ? 1 : 0);
    add(QStringLiteral("Time weighting"),
        r.FastResponse ? std::optional<QString>(weightingText(*r.FastResponse ? 1 : 0))
                       : std::nullopt,
        weighting, held, m_before ? weightingText(m_before->fast) : QString());

    result.success = m_failure.isEmpty() && m_leftSetup && st &&
                     std::all_of(result.items.begin(), result.items.end(),
                                 [](const ItemResult& i) { return i.took; });
    if (result.success || !m_failure.isEmpty())
        return result;
    if (!st)
        result.failure = QStringLiteral("The meter did not answer after the setup.");
    else
        result.failure = QStringLiteral("The meter does not hold every item asked.");
    return result;
}

} // namespace

QStringList SetupResult::itemsNotTaken() const {
    QStringList lines;
    for (const ItemResult& item : items) {
        if (item.took)
            continue;
        lines << (item.reported.isEmpty()
                      ? QStringLiteral("%1: asked %2, not confirmed by the meter")
                            .arg(item.name, item.asked)
                      : QStringLiteral("%1: asked %2, the meter shows %3")
                            .arg(item.name, item.asked, item.reported));
    }
    return lines;
}

QStringList SetupResult::itemTable() const {
    QStringList lines;
    const auto shown = [](const QString& v) {
        return v.isEmpty() ? QStringLiteral("not read") : v;
    };
    for (const ItemResult& item : items) {
        const bool changed =
            !item.before.isEmpty() && !item.reported.isEmpty() && item.before != item.reported;
        if (item.asked.isEmpty() && !changed)
            continue;
        lines << QStringLiteral("%1: before %2, asked %3, now %4")
                     .arg(item.name, shown(item.before),
                          item.asked.isEmpty() ? QStringLiteral("nothing") : item.asked,
                          shown(item.reported));
    }
    return lines;
}

QString ResultMessage(const SetupResult& result) {
    if (result.success)
        return QString::fromLatin1(kSuccessText);
    if (result.keyLocked)
        return QString::fromLatin1(kKeyLockedText);
    QStringList lines{QString::fromLatin1(kInvalidText)};
    if (!result.failure.isEmpty())
        lines << QString() << result.failure;
    if (const QStringList table = result.itemTable(); !table.isEmpty())
        lines << QString() << QStringLiteral("The meter's settings (before, asked, now):") << table;
    return lines.join(QStringLiteral("\r\n"));
}

SetupResult RunSetup(link::Meter& meter, const SetupRequest& request,
                     const std::atomic<bool>* cancel) {
    return Walk(meter, request, cancel).run();
}

link::Job SetupJob(const SetupRequest& request,
                   std::function<void(link::JobOutcome, const SetupResult&)> done,
                   std::shared_ptr<std::atomic<bool>> cancel) {
    // Written on the link thread before the job reports back, read only after that.
    auto result = std::make_shared<SetupResult>();
    auto work = [request, result, cancel](link::Meter& meter) {
        *result = RunSetup(meter, request, cancel.get());
    };
    auto finished = [result, done = std::move(done)](link::JobOutcome outcome) {
        if (outcome == link::JobOutcome::PortLost)
            result->failure = QStringLiteral("The meter's port was lost during the setup.");
        else if (outcome == link::JobOutcome::TimedOut)
            result->failure = QStringLiteral("The meter stopped answering during the setup.");
        else if (outcome == link::JobOutcome::Stopped && result->failure.isEmpty() &&
                 !result->success)
            result->failure = QStringLiteral("The link stopped before the setup ended.");
        if (done)
            done(outcome, *result);
    };
    return {QStringLiteral("setup"), std::move(work), std::move(finished), kSetupJobLimit};
}

} // namespace nd::setup
