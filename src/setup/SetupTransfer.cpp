#include "SetupTransfer.h"

#include "link/Meter.h"

#include <algorithm>
#include <functional>
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

using Step = std::function<int(int current, int wanted)>;
using Value = std::function<int(const Frame&)>;

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
    Walk(link::Meter& meter, const SetupRequest& request) : m_meter(meter), m_request(request) {}

    SetupResult run();

private:
    enum Item { Criterion, Threshold, Exchange, Clock, Weighting, None };
    Item lastAskedItem() const;
    void walk();
    void stepped(int step);

    std::optional<Frame> readDisplay();
    Frame display(const QString& item);
    int adjust(const QString& item, int wanted, int limit, const Step& step, const Value& value,
               double extraWait = 0.0);
    void adjustWeighting(bool fast);
    std::optional<int> readStatusByte();
    bool finalStatus();
    SetupResult compare() const;

    link::Meter& m_meter;
    const SetupRequest& m_request;
    QString m_failure;
    bool m_walkEnded = false;
    bool m_statusRead = false;
    // What the walk read back, item by item (-1: never read).
    int m_criterion = -1;
    int m_threshold = -1;
    int m_thresholdWanted = -1;
    int m_exchange = -1;
    int m_yearHigh = -1, m_yearLow = -1, m_month = -1, m_day = -1, m_hour = -1, m_minute = -1;
    int m_status = -1;
};

Walk::Item Walk::lastAskedItem() const {
    if (m_request.FastResponse)
        return Weighting;
    if (m_request.Clock)
        return Clock;
    if (m_request.ExchangeRate)
        return Exchange;
    if (m_request.ThresholdLevel)
        return Threshold;
    if (m_request.CriterionLevel)
        return Criterion;
    return None;
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

int Walk::adjust(const QString& item, int wanted, int limit, const Step& step, const Value& value,
                 double extraWait) {
    int current = value(display(item));
    int unmoved = 0;
    for (int n = 0; n < limit && current != wanted; ++n) {
        m_meter.PressKey(step(current, wanted));
        const Frame frame = display(item);
        if (extraWait > 0.0)
            m_meter.Delay(extraWait);
        const int before = std::exchange(current, value(frame));
        // Every press moves the shown value; one that stands still for a few presses is
        // not the item we think the meter shows (a lost CLOCK), so stop early.
        unmoved = current == before ? unmoved + 1 : 0;
        if (unmoved == limit::kUnmoved)
            break;
    }
    if (current != wanted)
        throw WalkFailed{QStringLiteral("The %1 stayed at %2 instead of %3.")
                             .arg(item)
                             .arg(current)
                             .arg(wanted)};
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

void Walk::adjustWeighting(bool fast) {
    for (int presses = 0;; ++presses) {
        const auto status = readStatusByte();
        if (!status)
            throw WalkFailed{QStringLiteral("The meter stopped answering at the time weighting.")};
        m_status = *status;
        if (((m_status & kFastBit) != 0) == fast)
            return;
        if (presses == limit::kWeighting)
            throw WalkFailed{QStringLiteral("The time weighting did not change.")};
        m_meter.PressKey(kStepUp);
    }
}

void Walk::stepped(int step) {
    m_meter.reportProgress(step * 100 / (kWalkSteps + 1));
}

void Walk::walk() {
    const SetupRequest& r = m_request;
    const Item last = lastAskedItem();

    m_meter.PressKey(keys::kSetup);
    m_meter.ReadRaw();
    m_meter.Delay(wait::kAfterSetupKey);

    // Criterion level; read even when only the threshold is asked, which it caps.
    if (r.CriterionLevel) {
        m_criterion = adjust(QStringLiteral("criterion level"), *r.CriterionLevel,
                             limit::kCriterion, AlwaysUp, Low);
    } else if (r.ThresholdLevel) {
        m_criterion = Low(display(QStringLiteral("criterion level")));
    }
    stepped(1);
    if (last == Criterion)
        return;

    m_meter.PressKey(kNext);
    if (r.ThresholdLevel) {
        m_thresholdWanted = std::max(std::min(*r.ThresholdLevel, m_criterion), kLowestThreshold);
        m_threshold = adjust(QStringLiteral("threshold level"), m_thresholdWanted,
                             limit::kThreshold, Toward, Low);
    }
    stepped(2);
    if (last == Threshold)
        return;

    m_meter.PressKey(kNext);
    if (r.ExchangeRate) {
        m_exchange = adjust(QStringLiteral("exchange rate"), *r.ExchangeRate, limit::kExchange,
                            AlwaysUp, ExchangeDigit, link::pause::kDisplay);
    }
    stepped(3);
    if (last == Exchange)
        return;

    m_meter.PressKey(kNext);
    if (r.Clock) {
        const QDate date = r.Clock->date();
        const QTime time = r.Clock->time();
        m_yearHigh =
            adjust(QStringLiteral("year"), date.year() / 100, limit::kYearDigits, Toward, High);
        stepped(4);
        m_meter.PressKey(kNext);
        m_yearLow =
            adjust(QStringLiteral("year"), date.year() % 100, limit::kYearDigits, Toward, Low);
        stepped(5);
        m_meter.PressKey(kNext);
        m_month = adjust(QStringLiteral("month"), date.month(), limit::kMonth, Toward, High);
        stepped(6);
        m_meter.PressKey(kNext);
        m_day = adjust(QStringLiteral("day"), date.day(), limit::kDay, Toward, Low);
        stepped(7);
        m_meter.PressKey(kNext);
        m_hour = adjust(QStringLiteral("hour"), time.hour(), limit::kHour, Toward, High,
                        wait::kHourRead);
        stepped(8);
        m_meter.PressKey(kNext);
        m_minute = adjust(QStringLiteral("minutes"), time.minute(), limit::kMinute, MinuteStep, Low,
                          wait::kMinuteRead);
        stepped(9);
    } else {
        // Past the clock's six items without touching them.
        for (int i = 0; i < 5; ++i)
            m_meter.PressKey(kNext);
    }
    if (last == Clock)
        return;

    m_meter.PressKey(kNext);
    if (r.FastResponse)
        adjustWeighting(*r.FastResponse);
    stepped(10);
}

bool Walk::finalStatus() {
    // The status poll is the program's reconnect loop and never gives up; call it only
    // once the meter answers, else leave it to the next poll cycle.
    if (readStatusByte()) {
        m_meter.StatusPoll();
        return true;
    }
    m_meter.state().StatusCheckPending = true;
    return false;
}

SetupResult Walk::run() {
    const auto first = readDisplay();
    if (!first) {
        m_meter.state().StatusCheckPending = true;
        SetupResult result = compare();
        result.failure = QStringLiteral("The meter did not answer; nothing was sent.");
        return result;
    }
    if (first->flags & kKeyLockedBit) {
        // Nothing is pressed; the status still says what the meter has.
        m_statusRead = finalStatus();
        SetupResult result = compare();
        result.failure = QString::fromLatin1(kKeyLockedText);
        return result;
    }
    {
        SettingUpScope settingUp(m_meter);
        try {
            walk();
            m_meter.PressKey(kEnd);
            m_meter.Delay(wait::kAfterReset);
            m_walkEnded = true;
            m_meter.reportProgress(100);
            m_statusRead = finalStatus();
            if (m_statusRead) {
                for (int i = 0; i < 3; ++i) {
                    m_meter.PressKeyQuick(keys::kMode);
                    m_meter.Delay(wait::kAfterModeQuick);
                }
            }
        } catch (const WalkFailed& failed) {
            m_failure = failed.why;
            m_meter.WriteRaw(link::Bytes({'F', kAbandon}));
            m_meter.state().SettingUp = false;
            m_meter.reportProgress(100);
            m_statusRead = finalStatus();
        }
    }
    m_meter.publishState();
    return compare();
}

SetupResult Walk::compare() const {
    const SetupRequest& r = m_request;
    const link::MeterState& s = m_meter.state();
    SetupResult result;
    result.failure = m_failure;
    result.statusRead = m_statusRead;

    auto number = [](int v) { return v < 0 ? QString() : QString::number(v); };
    auto add = [&](const QString& name, std::optional<QString> asked, QString reported,
                   bool confirmed) {
        ItemResult item{name, asked.value_or(QString()), reported, true};
        if (asked)
            item.took = confirmed && reported == *asked;
        result.items.append(item);
    };
    auto askedNumber = [](std::optional<int> v) {
        return v ? std::optional<QString>(QString::number(*v)) : std::nullopt;
    };

    // Dose settings as the final status reports them (the walk's read-back if it is missing).
    const bool st = m_statusRead;
    add(QStringLiteral("Criterion level"), askedNumber(r.CriterionLevel),
        st ? QString::number(s.CriterionLevel) : number(m_criterion), st);
    add(QStringLiteral("Threshold level"),
        r.ThresholdLevel
            ? askedNumber(m_thresholdWanted >= 0 ? m_thresholdWanted : *r.ThresholdLevel)
            : std::nullopt,
        st ? s.ThresholdText : number(m_threshold), st);
    add(QStringLiteral("Exchange rate"), askedNumber(r.ExchangeRate),
        st ? QString::number(s.ExchangeRate) : number(m_exchange), st);
    if (r.Clock) {
        // The clock takes when the walk ends with RESET; MODE+RESET may drop it.
        const QDate date = r.Clock->date();
        const QTime time = r.Clock->time();
        const int year = m_yearHigh < 0 || m_yearLow < 0 ? -1 : m_yearHigh * 100 + m_yearLow;
        add(QStringLiteral("Year"), QString::number(date.year()), number(year), m_walkEnded);
        add(QStringLiteral("Month"), QString::number(date.month()), number(m_month), m_walkEnded);
        add(QStringLiteral("Day"), QString::number(date.day()), number(m_day), m_walkEnded);
        add(QStringLiteral("Hour"), QString::number(time.hour()), number(m_hour), m_walkEnded);
        add(QStringLiteral("Minutes"), QString::number(time.minute()), number(m_minute),
            m_walkEnded);
    }
    const auto weightingText = [](bool fast) {
        return fast ? QStringLiteral("Fast") : QStringLiteral("Slow");
    };
    QString weighting;
    if (st)
        weighting = s.TimeWeightingText;
    else if (m_status >= 0)
        weighting = weightingText((m_status & kFastBit) != 0);
    add(QStringLiteral("Time weighting"),
        r.FastResponse ? std::optional<QString>(weightingText(*r.FastResponse)) : std::nullopt,
        weighting, st);

    result.success = m_failure.isEmpty() && m_walkEnded && st &&
                     std::all_of(result.items.begin(), result.items.end(),
                                 [](const ItemResult& i) { return i.took; });
    if (result.success || !m_failure.isEmpty())
        return result;
    if (!st && m_walkEnded)
        result.failure = QStringLiteral("The meter did not answer after the setup.");
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

QString ResultMessage(const SetupResult& result) {
    if (result.success)
        return QString::fromLatin1(kSuccessText);
    if (result.failure == QLatin1String(kKeyLockedText))
        return result.failure;
    QStringList lines{QString::fromLatin1(kInvalidText)};
    if (!result.failure.isEmpty())
        lines << QString() << result.failure;
    if (const QStringList notTaken = result.itemsNotTaken(); !notTaken.isEmpty())
        lines << QString() << notTaken;
    return lines.join(QStringLiteral("\r\n"));
}

SetupResult RunSetup(link::Meter& meter, const SetupRequest& request) {
    return Walk(meter, request).run();
}

link::Job SetupJob(const SetupRequest& request,
                   std::function<void(link::JobOutcome, const SetupResult&)> done) {
    // Written on the link thread before the job reports back, read only after that.
    auto result = std::make_shared<SetupResult>();
    auto work = [request, result](link::Meter& meter) { *result = RunSetup(meter, request); };
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
