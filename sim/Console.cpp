#include "Console.h"

#include "LoggedSets.h"

#include <optional>

namespace nd::sim {

namespace {
const QString kOk = QStringLiteral("ok");
const QString kQuit = QStringLiteral("quit");

QString error(const QString& why) {
    return QStringLiteral("error: ") + why;
}

/// Decimal, or hexadecimal with 0x, within [low, high].
std::optional<int> number(const QString& word, int low, int high) {
    bool ok = false;
    const int value = word.toInt(&ok, 0);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<bool> onOff(const QString& word) {
    if (word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("off"))
        return false;
    return std::nullopt;
}

QString outOfRange(const QString& what, int low, int high) {
    return error(QStringLiteral("%1 must be %2 to %3").arg(what).arg(low).arg(high));
}
} // namespace

const Console::Command Console::kCommands[] = {
    {"silent", 1, &Console::setSilent},
    {"bad-frames", 1, &Console::setBadFrames},
    {"short-replies", 1, &Console::setShortReplies},
    {"junk", 1, &Console::setJunk},
    {"slow", 1, &Console::setSlow},
    {"dump-stop", 1, &Console::setDumpStop},
    {"level", 1, &Console::setLevel},
    {"key-lock", 1, &Console::setKeyLock},
    {"ignore-key", 2, &Console::ignoreKey},
    {"unplug", 0, &Console::unplug},
    {"replug", 0, &Console::replug},
    {"press", 1, &Console::press},
    {"cell", 1, &Console::readCell},
    {"set", 2, &Console::writeCell},
    {"sets", 1, &Console::storeSets},
    {"memory-full", 1, &Console::setMemoryFull},
    {"quit", 0, &Console::quit},
};

Console::Console(VirtualMeter& meter, Hooks hooks) : m_meter(meter), m_hooks(std::move(hooks)) {}

Console::Reply Console::execute(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString& name = words.front();
    const QStringList args = words.mid(1);
    for (const Command& command : kCommands) {
        if (name != QLatin1String(command.name))
            continue;
        if (args.size() != command.argumentCount)
            return {error(
                QStringLiteral("%1 takes %2 argument(s)").arg(name).arg(command.argumentCount))};
        QString text = (this->*command.handler)(args);
        return {text, name == kQuit};
    }
    return {error(QStringLiteral("unknown command %1").arg(name))};
}

QString Console::switchFault(const QString& word, bool Faults::*fault) {
    const std::optional<bool> on = onOff(word);
    if (!on)
        return error(QStringLiteral("expected on or off"));
    Faults faults = m_meter.faults();
    faults.*fault = *on;
    m_meter.setFaults(faults);
    return kOk;
}

QString Console::setSilent(const QStringList& args) {
    return switchFault(args[0], &Faults::silent);
}

QString Console::setBadFrames(const QStringList& args) {
    return switchFault(args[0], &Faults::badFrames);
}

QString Console::setShortReplies(const QStringList& args) {
    return switchFault(args[0], &Faults::shortReplies);
}

QString Console::setJunk(const QStringList& args) {
    return switchFault(args[0], &Faults::junkBeforeFrame);
}

QString Console::setSlow(const QStringList& args) {
    constexpr int kMaxMs = 60000;
    const std::optional<int> ms = number(args[0], 0, kMaxMs);
    if (!ms)
        return outOfRange(QStringLiteral("milliseconds"), 0, kMaxMs);
    Faults faults = m_meter.faults();
    faults.extraLatency = *ms / 1000.0;
    m_meter.setFaults(faults);
    return kOk;
}

QString Console::setDumpStop(const QStringList& args) {
    // Any negative count (or "off") lets dumps run to their end again.
    const bool off = args[0] == QLatin1String("off");
    const std::optional<int> count = off ? -1 : number(args[0], -1, 1 << 20);
    if (!count)
        return error(QStringLiteral("expected a byte count or off"));
    Faults faults = m_meter.faults();
    faults.dumpStopsAfter = *count;
    m_meter.setFaults(faults);
    return kOk;
}

QString Console::setLevel(const QStringList& args) {
    bool ok = false;
    const double dB = args[0].toDouble(&ok);
    if (!ok || dB < 0.0 || dB > 200.0)
        return error(QStringLiteral("level must be 0 (simulated) to 200 dB"));
    m_meter.setFixedLevel(dB);
    return kOk;
}

QString Console::setKeyLock(const QStringList& args) {
    const std::optional<bool> on = onOff(args[0]);
    if (!on)
        return error(QStringLiteral("expected on or off"));
    m_meter.setKeyLocked(*on);
    return kOk;
}

QString Console::ignoreKey(const QStringList& args) {
    const std::optional<int> code = number(args[0], 1, 255);
    const std::optional<int> count = number(args[1], 0, 1000);
    if (!code)
        return outOfRange(QStringLiteral("key code"), 1, 255);
    if (!count)
        return outOfRange(QStringLiteral("count"), 0, 1000);
    Faults faults = m_meter.faults();
    faults.ignoreKeyCode = *code;
    faults.ignoreKeyCount = *count;
    m_meter.setFaults(faults);
    return kOk;
}

QString Console::unplug(const QStringList&) {
    if (m_hooks.unplug)
        m_hooks.unplug();
    return kOk;
}

QString Console::replug(const QStringList&) {
    if (m_hooks.replug)
        m_hooks.replug();
    return kOk;
}

QString Console::press(const QStringList& args) {
    const std::optional<int> code = number(args[0], 1, 255);
    if (!code)
        return outOfRange(QStringLiteral("key code"), 1, 255);
    m_meter.pressKeys(*code, m_hooks.now ? m_hooks.now() : 0.0);
    return kOk;
}

QString Console::readCell(const QStringList& args) {
    const std::optional<int> address = number(args[0], 0, 65535);
    if (!address)
        return outOfRange(QStringLiteral("address"), 0, 65535);
    return QString::number(m_meter.cell(*address));
}

QString Console::writeCell(const QStringList& args) {
    const std::optional<int> address = number(args[0], 0, 65535);
    const std::optional<int> value = number(args[1], 0, 255);
    if (!address)
        return outOfRange(QStringLiteral("address"), 0, 65535);
    if (!value)
        return outOfRange(QStringLiteral("value"), 0, 255);
    m_meter.setCell(*address, *value);
    return kOk;
}

QString Console::storeSets(const QStringList& args) {
    const QDateTime today = m_meter.calendarAt(m_hooks.now ? m_hooks.now() : 0.0);
    if (args[0] == QLatin1String("full"))
        return storeFullMemory(m_meter, today) ? kOk : error(QStringLiteral("does not fit"));
    const std::optional<int> count = number(args[0], 0, 100);
    if (!count)
        return error(QStringLiteral("expected 0 to 100 sets, or full"));
    return storeLoggedSets(m_meter, demoSets(*count, today)) ? kOk
                                                             : error(QStringLiteral("does not fit"));
}

QString Console::setMemoryFull(const QStringList& args) {
    const std::optional<bool> on = onOff(args[0]);
    if (!on)
        return error(QStringLiteral("expected on or off"));
    constexpr int kMemoryState = 40;
    m_meter.setCell(kMemoryState, (m_meter.cell(kMemoryState) & ~1) | (*on ? 1 : 0));
    return kOk;
}

QString Console::quit(const QStringList&) {
    return kOk;
}

} // namespace nd::sim
