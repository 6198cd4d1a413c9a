#include "KeypadRules.h"

#include "link/Meter.h"

#include <algorithm>

namespace nd::keypad {

namespace keys = link::keys;

namespace {
constexpr double kSettle = 0.3;
constexpr double kShortAfter = 0.3;
constexpr double kAfter = 0.5;
constexpr int kShownBanks = 5;
} // namespace

bool RefusedByLock(Key key, const link::MeterState& s) {
    return s.KeyLocked && key != Key::Run;
}

std::optional<KeyPress> PressFor(Key key, const link::MeterState& s) {
    const bool dateOrGrouped = s.ShowsDate || s.GroupedDigits;
    switch (key) {
    case Key::Mode:
        return KeyPress{0.0, keys::kMode, 0.0};
    case Key::Event:
        return KeyPress{kSettle, keys::kEvent, kShortAfter};
    case Key::Clock:
        return KeyPress{kSettle, keys::kClock, kAfter};
    case Key::Reset:
        if (dateOrGrouped)
            return std::nullopt;
        return KeyPress{kSettle, keys::kReset, kAfter};
    case Key::Pause:
        if (!s.Running)
            return std::nullopt;
        return KeyPress{kSettle, s.Paused ? keys::kResume : keys::kRunPause, kAfter};
    case Key::Run:
        if (s.LinkBusy || s.SettingUp || s.ShowsTime || dateOrGrouped)
            return std::nullopt;
        return KeyPress{kSettle, s.Running ? keys::kEndRun : keys::kRunPause, kAfter};
    }
    return std::nullopt;
}

QString RunCaption(const link::MeterState& s) {
    return s.Running ? QStringLiteral("Encerrar") : QStringLiteral("RUN");
}

QString PauseCaption(const link::MeterState& s) {
    return s.Paused ? QStringLiteral("Continuar") : QStringLiteral("PAUSE");
}

QString LockCaption(const link::MeterState& s) {
    return s.KeyLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock");
}

int BatteryPicture(int level) {
    return std::clamp(level, 0, kBatteryPictures - 1);
}

DisplayCopy CopyDisplay(const link::MeterState& s, const DisplayCopy& previous) {
    DisplayCopy c;
    c.time = s.ShowsTime;
    c.date = s.ShowsDate;
    c.pause = s.Paused;
    c.run = s.Running;
    c.dose = s.DoseMode;
    c.dba = s.DbaMode;
    c.mem = s.MemoryIndicator;
    c.loud = s.LoudIndicator;
    c.peak = s.PeakIndicator;
    c.point1 = !(s.GroupedDigits || s.ShowsTime) && s.DecimalAfter3;
    c.point2 = s.DoseMode && s.DecimalAfter2;
    if (s.BankNumber == 0)
        c.bank.clear();
    else if (s.BankNumber <= kShownBanks)
        c.bank = QStringLiteral("E%1").arg(s.BankNumber);
    else
        c.bank = previous.bank;
    c.bankVisible = s.BankIndicator ? !previous.bankVisible : true;
    c.battery = BatteryPicture(s.BatteryLevel);
    c.fast = s.FastResponse;
    return c;
}

} // namespace nd::keypad
