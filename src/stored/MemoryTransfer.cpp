#include "MemoryTransfer.h"

#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "stored/LoggedMemory.h"

#include <QRegularExpression>

#include <cmath>

namespace nd::stored {

namespace mem = link::memory;

namespace {

/// Arms the meter's deadline for one step and always disarms it: the link goes on
/// polling after the job, and a deadline left behind would cut its exchanges short.
class Deadline {
public:
    Deadline(link::Meter& meter, double seconds) : m_meter(meter) { arm(seconds); }
    ~Deadline() { m_meter.setDeadline(std::nullopt); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    void arm(double seconds) { m_meter.setDeadline(m_meter.clock().now() + seconds); }
    void disarm() { m_meter.setDeadline(std::nullopt); }

private:
    link::Meter& m_meter;
};

std::optional<int> readCell(link::Meter& meter, int address) {
    if (!meter.ReadCell(address))
        return std::nullopt;
    return meter.state().CellValue;
}

std::optional<int> readWord(link::Meter& meter, int highCell, int lowCell) {
    const int value = meter.ReadWord(highCell, lowCell);
    if (value < 0)
        return std::nullopt;
    return value;
}

} // namespace

Download DownloadMemory(link::Meter& meter, double answerTimeout) {
    Download d;
    Deadline deadline(meter, answerTimeout);
    try {
        const auto sets = readCell(meter, mem::kSetCount);
        if (!sets) {
            d.error = QStringLiteral("The meter did not give its number of data sets.");
            return d;
        }
        d.setCount = *sets;
        if (d.setCount == 0) {
            d.dataEnd = mem::kEmptyDataEnd;
            deadline.arm(answerTimeout);
            meter.WriteCell(mem::kMemoryState, 0);
        } else {
            deadline.arm(answerTimeout);
            const auto end =
                readWord(meter, mem::dataEndHigh(d.setCount), mem::dataEndLow(d.setCount));
            if (!end) {
                d.error = QStringLiteral("The meter did not give the end of its logged data.");
                return d;
            }
            d.dataEnd = *end;
        }
        // A table that cannot be right would make a dump of the wrong length and sets
        // made of whatever lies there: stop before the dump.
        if (const auto problem = pointerTableProblem(d.setCount, d.dataEnd)) {
            d.error = *problem;
            d.badPointers = true;
            return d;
        }
    } catch (const link::LinkTimeout&) {
        d.error = QStringLiteral("The meter did not answer.");
        return d;
    }
    // The dump has its own bound: it ends when nothing arrives for a while.
    deadline.disarm();
    const double started = meter.clock().now();
    const auto dump = meter.DumpMemory(d.dataEnd + mem::kDumpLeadBytes);
    d.dumpSeconds = meter.clock().now() - started;
    if (!dump) {
        d.error = QStringLiteral("The meter stopped sending before the end of its memory.");
        return d;
    }
    d.cells = dump->mid(mem::kDumpLeadBytes);
    d.ok = true;
    return d;
}

std::optional<int> WriteWord(link::Meter& meter, int highCell, int lowCell, int value,
                             double answerTimeout) {
    Deadline deadline(meter, answerTimeout + 2 * kWordWritePause);
    try {
        meter.WriteCell(highCell, mem::highByte(value));
        meter.Delay(kWordWritePause);
        meter.WriteCell(lowCell, mem::lowByte(value));
        meter.Delay(kWordWritePause);
        return readWord(meter, highCell, lowCell);
    } catch (const link::LinkTimeout&) {
        return std::nullopt;
    }
}

std::optional<int> WriteIdCode(link::Meter& meter, int value, double answerTimeout) {
    return WriteWord(meter, mem::kIdCodeHigh, mem::kIdCodeLow, value, answerTimeout);
}

std::optional<int> WriteLogInterval(link::Meter& meter, int tenths, double answerTimeout) {
    return WriteWord(meter, mem::kLogIntervalHigh, mem::kLogIntervalLow, tenths, answerTimeout);
}

std::optional<int> ReadIdCode(link::Meter& meter, double answerTimeout) {
    Deadline deadline(meter, answerTimeout);
    try {
        return readWord(meter, mem::kIdCodeHigh, mem::kIdCodeLow);
    } catch (const link::LinkTimeout&) {
        return std::nullopt;
    }
}

std::optional<int> ReadLogInterval(link::Meter& meter, double answerTimeout) {
    Deadline deadline(meter, answerTimeout);
    try {
        return readWord(meter, mem::kLogIntervalHigh, mem::kLogIntervalLow);
    } catch (const link::LinkTimeout&) {
        return std::nullopt;
    }
}

bool EraseLoggedMemory(link::Meter& meter, double answerTimeout) {
    Deadline deadline(meter, answerTimeout + link::pause::kErase);
    try {
        return meter.EraseMemory() && meter.state().CellValue == 0;
    } catch (const link::LinkTimeout&) {
        return false;
    }
}

MeterValueInput parseIdCodeInput(const std::optional<QString>& text) {
    using V = MeterValueInput::Verdict;
    const QString t = text.value_or(QString()).trimmed();
    if (t.isEmpty())
        return {V::Nothing, 0};
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,9}$"));
    if (!whole.match(t).hasMatch())
        return {V::Invalid, 0};
    const int v = t.toInt();
    if (v == 0)
        return {V::Nothing, 0};
    if (v > 65535)
        return {V::Invalid, 0};
    return {V::Value, v};
}

MeterValueInput parseLogIntervalInput(const std::optional<QString>& text) {
    using V = MeterValueInput::Verdict;
    const QString t = text.value_or(QString()).trimmed();
    if (t.isEmpty())
        return {V::Nothing, 0};
    static const QRegularExpression tenths(QStringLiteral("^([0-9]{0,9})(?:\\.([0-9]?))?$"));
    const auto match = tenths.match(t);
    if (!match.hasMatch() || t == QLatin1String("."))
        return {V::Invalid, 0};
    const qint64 whole = match.captured(1).toLongLong();
    const qint64 value = whole * 10 + match.captured(2).toLongLong();
    if (value == 0)
        return {V::Nothing, 0};
    if (value > 65535)
        return {V::Invalid, 0};
    return {V::Value, static_cast<int>(value)};
}

} // namespace nd::stored
