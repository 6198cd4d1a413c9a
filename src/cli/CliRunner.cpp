#include "CliRunner.h"

#include "BankVerbs.h"
#include "OutputCheck.h"
#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "stored/Csv.h"
#include "stored/SaveFile.h"

#include <QDateTime>

#include <unistd.h>

namespace nd::cli {

namespace mem = link::memory;
using link::Meter;

namespace {

void armDeadline(RunContext& c) {
    // Every wait of the routines checks this, so a silent meter ends the command in time.
    c.meter.setDeadline(c.meter.clock().now() + c.timeout);
}

QString unitText(const link::MeterState& s) {
    if (s.DbaMode)
        return QStringLiteral("dBA");
    if (s.DoseMode)
        return QStringLiteral("%DOSE");
    return {};
}

int runStatus(RunContext& c) {
    c.meter.StatusPoll();
    const link::MeterState& s = c.meter.state();
    c.out << "criterion level: " << s.CriterionLevel << " dB\n"
          << "exchange rate: " << s.ExchangeRate << " dB\n"
          << "response: " << s.TimeWeightingText << "\n"
          << "threshold level: " << s.ThresholdText << " dB\n";
    return kOk;
}

int runRead(RunContext& c, int address) {
    if (!c.meter.ReadCell(address)) {
        c.err << "cell " << address << " could not be read\n";
        return kNoAnswer;
    }
    c.out << c.meter.state().CellValue << "\n";
    return kOk;
}

/// Poll cycles until one decodes a display frame; a cycle that fell back to the status
/// poll gave no reading. The deadline bounds a meter that answers but gives no reading.
void awaitReading(RunContext& c) {
    const std::uint64_t before = c.meter.state().PollCount;
    armDeadline(c);
    while (c.meter.state().PollCount == before)
        c.meter.PollCycle();
}

int runWatch(RunContext& c, const Request& r) {
    c.meter.state().StatusCheckPending = true;
    if (r.csv)
        c.out << stored::csvLine({"date", "time", "value", "unit"}, r.csvStyle) << '\n';
    try {
        for (int shown = 0; (r.count == 0 || shown < r.count) && !c.interrupted; ++shown) {
            awaitReading(c);
            const link::MeterState& s = c.meter.state();
            const QDateTime now = QDateTime::currentDateTime();
            const QString date = now.toString(QStringLiteral("yyyy/MM/dd"));
            const QString time = now.toString(QStringLiteral("hh:mm:ss.z")).left(10);
            const QString value = link::DisplayValueText(s);
            if (r.csv)
                c.out << stored::csvLine({stored::csvValue(date, r.csvStyle),
                                          stored::csvValue(time, r.csvStyle),
                                          stored::csvValue(value, r.csvStyle),
                                          stored::csvField(unitText(s), r.csvStyle)},
                                         r.csvStyle)
                      << '\n';
            else
                c.out << date << "  " << time << "  " << value.rightJustified(6) << "  "
                      << unitText(s) << '\n';
            c.out.flush();
        }
    } catch (const link::LinkStopped&) {
        if (!c.interrupted)
            throw;
    }
    return kOk; // Ctrl+C is how a watch without --count ends
}

int runDump(RunContext& c, const QString& file) {
    if (const auto why = cannotWrite(file)) { // before the dump, which takes many seconds
        c.err << "could not write " << file << ": " << *why << "\n";
        return kFileFailed;
    }
    const int end = readDataEnd(c.meter);
    if (end < 0) {
        c.err << "the meter did not give the length of its memory\n";
        return kNoAnswer;
    }
    c.meter.setDeadline(std::nullopt); // the dump has its own bound on silence
    c.meter.setProgress(progressPrinter(c.err));
    const auto dump = c.meter.DumpMemory(end + mem::kDumpLeadBytes);
    c.meter.setProgress({});
    endProgress(c.err);
    if (!dump) {
        c.err << "the meter stopped sending before the end of its memory\n";
        return kNoAnswer;
    }
    if (const auto why = stored::saveBytes(file, dump->mid(mem::kDumpLeadBytes))) {
        c.err << "could not write " << file << ": " << *why << "\n";
        return kFileFailed;
    }
    c.out << "wrote " << end << " bytes to " << file << "\n";
    return kOk;
}

} // namespace

/// On a terminal one line is updated in place; in a log file each step gets its own line.
link::Meter::Progress progressPrinter(QTextStream& err, const QString& what) {
    const bool terminal = isatty(STDERR_FILENO) != 0;
    return [&err, what, terminal, shown = -1](int percent) mutable {
        if (percent / 10 == shown / 10)
            return;
        shown = percent;
        if (terminal)
            err << "\r" << what << ' ' << percent << " %";
        else
            err << what << ' ' << percent << " %\n";
        err.flush();
    };
}

void endProgress(QTextStream& err) {
    if (isatty(STDERR_FILENO) != 0)
        err << "\n";
}

int refuseUsage(QTextStream& err, const QString& why) {
    err << "noisedesk-cli: " << why << "; try --help\n";
    return kUsage;
}

QString fileProblem(const QString& path, const QString& text) {
    if (text.contains(path))
        return text;
    return path + QStringLiteral(": ") + text;
}

int readDataEnd(link::Meter& meter) {
    if (!meter.ReadCell(mem::kSetCount))
        return -1;
    const int sets = meter.state().CellValue;
    if (sets == 0)
        return mem::kEmptyDataEnd;
    return meter.ReadWord(mem::dataEndHigh(sets), mem::dataEndLow(sets));
}

int runRequest(const Request& request, RunContext& c) {
    armDeadline(c);
    switch (request.command) {
    case Command::Status:
        return runStatus(c);
    case Command::Read:
        return runRead(c, request.address);
    case Command::Write:
        c.meter.WriteCell(request.address, request.data);
        c.out << "wrote " << request.data << " to cell " << request.address << "\n";
        return kOk;
    case Command::Key:
        c.meter.PressKey(request.keyCode);
        c.out << "pressed " << request.keyCode << "\n";
        return kOk;
    case Command::Watch:
        return runWatch(c, request);
    case Command::Dump:
        return runDump(c, request.file);
    case Command::Banks:
        return runBanks(request, c);
    }
    return kUsage;
}

} // namespace nd::cli
