#pragma once

#include "CliArgs.h"

#include <QTextStream>

#include <atomic>
#include <functional>

namespace nd::link {
class Meter;
}

namespace nd::cli {

class ArchiveSink;

/// Exit codes of noisedesk-cli.
enum ExitCode {
    kOk = 0,
    kUsage = 1,
    kNoAnswer = 2,
    kPortFailed = 3,
    kFileFailed = 4,
    kNotTaken = 5,      ///< a value written (a setting, the ID code, an erase) did not read back
    kKeyLocked = 6,     ///< the meter's keys are locked: "Key locked!", nothing was sent
    kDamaged = 7,       ///< the meter's data were damaged: a set skipped or listed with a bad header
    kNotDba = 8,        ///< a recording stopped (or never began) because the meter left dBA
    kInterrupted = 130, ///< Ctrl+C, as shells report a command ended by SIGINT
};

/// A refused command line: one line on `err`, ending in "try --help"; returns kUsage.
int refuseUsage(QTextStream& err, const QString& why);

/// A file's problem as one line that names the file once: `text` as it is when it
/// already names it, else "path: text".
QString fileProblem(const QString& path, const QString& text);

struct RunContext {
    link::Meter& meter;
    QTextStream& out;
    QTextStream& err;
    double timeout;                       ///< seconds the meter may stay silent
    const std::atomic<bool>& interrupted; ///< set by Ctrl+C: watch ends cleanly
    ArchiveSink* archive = nullptr;       ///< keeps what download, record, banks read
};

/// Carries out one checked request on an open link and returns the exit code.
int runRequest(const Request& request, RunContext& context);

/// Prints a transfer's progress to `err` as "<what> N %": on a terminal one line updated
/// in place, in a log file or a pipe one whole line per step of ten percent.
std::function<void(int)> progressPrinter(QTextStream& err,
                                         const QString& what = QStringLiteral("received"));
/// Ends the progress line on a terminal (a log already has whole lines).
void endProgress(QTextStream& err);

/// The end of the logged data: 768 with no set stored, else the pointer table's word.
/// -1 when the meter did not answer.
int readDataEnd(link::Meter& meter);

} // namespace nd::cli
