#include "StoredVerbs.h"

#include "ArchiveVerbs.h"
#include "CliArgs.h"
#include "OutputCheck.h"
#include "archive/Measurement.h"
#include "link/Clock.h"
#include "link/Meter.h"
#include "link/Port.h"
#include "stored/DataFile.h"
#include "stored/Listing.h"
#include "stored/LoggedMemory.h"
#include "stored/MemoryTransfer.h"
#include "stored/Recorder.h"

#include <QDir>
#include <QRegularExpression>

#include <unistd.h>

namespace nd::cli {

namespace {

/// PC sampling for unattended runs: from the fastest the poll allows to one an hour.
constexpr int kMinRecordTenths = 2;
constexpr int kMaxRecordTenths = 36000;
/// How far past a due sample a poll of a silent meter may run before giving up.
constexpr double kPollGrace = 1.0;
constexpr double kReopenInterval = 1.0;
/// About the length of one poll cycle: closer than this to a due sample, with a reading
/// that is still fresh then, the recorder waits instead of starting another cycle.
constexpr double kPollCycle = 0.25;

std::optional<int> tenthsOf(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,5})(?:\\.([0-9]))?$"));
    const auto m = number.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt() * 10 + m.captured(2).toInt();
}

int runDownload(const StoredRequest& r, RunContext& c) {
    // The places the files go are checked before the dump, which takes many seconds.
    if (const auto why = cannotWriteInto(r.path)) {
        c.err << "could not write into " << r.path << ": " << *why << "\n";
        return kFileFailed;
    }
    if (!r.rawFile.isEmpty()) {
        if (const auto why = cannotWrite(r.rawFile)) {
            c.err << "could not write " << r.rawFile << ": " << *why << "\n";
            return kFileFailed;
        }
    }
    c.meter.setProgress(progressPrinter(c.err));
    const stored::Download d = stored::DownloadMemory(c.meter, c.timeout);
    c.meter.setProgress({});
    if (isatty(STDERR_FILENO) != 0)
        c.err << "\n";
    if (!d.ok) {
        c.err << d.error << "\n";
        return d.badPointers ? kDamaged : kNoAnswer;
    }
    if (!r.rawFile.isEmpty()) {
        if (const auto why = stored::saveBytes(r.rawFile, d.cells)) {
            c.err << "could not write " << r.rawFile << ": " << *why << "\n";
            return kFileFailed;
        }
    }
    const stored::LoggedMemory m = stored::decodeLoggedMemory(d.cells, d.setCount, d.dataEnd);
    if (!m.problem.isEmpty())
        c.err << m.problem << "\n";
    if (!QDir().mkpath(r.path)) {
        c.err << "could not make the folder " << r.path << "\n";
        return kFileFailed;
    }
    const QDir dir(r.path);
    int failed = 0;
    int troubled = 0;
    for (const stored::LoggedSet& set : m.sets) {
        if (set.troubled())
            ++troubled;
        if (set.damaged()) {
            c.err << "set " << set.number << " is damaged and skipped: " << set.damage << "\n";
            continue;
        }
        if (!set.headerProblem.isEmpty())
            c.err << "set " << set.number << ": " << set.headerProblem << "\n";
        const stored::LevelList list = stored::setForFile(m, set);
        const QString name = stored::setFileName(set);
        if (const auto why = stored::saveBytes(dir.filePath(name), stored::gridFileBytes(list))) {
            c.err << "could not write " << dir.filePath(name) << ": " << *why << "\n";
            ++failed;
            continue;
        }
        if (c.archive)
            c.archive->keep(archive::fromLevelList(archive::Kind::Logged, list, name), c.err);
        c.out << set.number << "\t" << set.dateText << "\t" << set.timeText << "\t"
              << set.intervalText << "\t" << set.recordsText << "\t" << name << "\n";
    }
    c.out << "dump: " << d.cells.size() + 1 << " bytes in "
          << QString::number(d.dumpSeconds, 'f', 2) << " s\n"
          << "ID code: " << m.idCodeText() << "\n"
          << "interval: " << m.intervalSecondsText().trimmed() << " s\n"
          << "memory remaining: " << m.remainingText().trimmed() << "\n";
    if (failed > 0)
        return kFileFailed;
    if (troubled > 0)
        c.err << troubled << " of " << m.setCount << " data sets were damaged; see above\n";
    if (troubled > 0 || !m.problem.isEmpty())
        return kDamaged;
    return kOk;
}

/// The Memory window refuses a write while the meter's keys are locked; so does the
/// command line, from one display read, before anything is sent.
bool keyLocked(RunContext& c) {
    c.meter.setDeadline(c.meter.clock().now() + c.timeout);
    c.meter.state().StatusCheckPending = true;
    c.meter.PollCycle();
    c.meter.setDeadline(std::nullopt);
    if (!c.meter.state().KeyLocked)
        return false;
    c.err << stored::texts::kKeyLocked << " The meter's keys are locked; nothing was sent.\n";
    return true;
}

int runErase(RunContext& c) {
    if (keyLocked(c))
        return kKeyLocked;
    if (!stored::EraseLoggedMemory(c.meter, c.timeout)) {
        c.err << stored::texts::kDeletedFail << " (the meter still reports data sets, or did "
              << "not answer)\n";
        return kNotTaken;
    }
    c.out << stored::texts::kDeletedOk << "\n";
    return kOk;
}

int runWord(const StoredRequest& r, RunContext& c) {
    const bool id = r.verb == StoredVerb::Id;
    auto show = [id](int v) {
        return id ? QString::number(v) : QString::number(v / 10.0, 'f', 1) + QStringLiteral(" s");
    };
    if (!r.value) {
        const auto v = id ? stored::ReadIdCode(c.meter, c.timeout)
                          : stored::ReadLogInterval(c.meter, c.timeout);
        if (!v) {
            c.err << "the meter did not answer\n";
            return kNoAnswer;
        }
        c.out << show(*v) << "\n";
        return kOk;
    }
    if (keyLocked(c))
        return kKeyLocked;
    const auto back = id ? stored::WriteIdCode(c.meter, *r.value, c.timeout)
                         : stored::WriteLogInterval(c.meter, *r.value, c.timeout);
    if (back != r.value) {
        c.err << stored::texts::kWriteFail << " wrote " << show(*r.value) << ", read back "
              << (back ? show(*back) : QStringLiteral("nothing")) << "\n";
        return kNotTaken;
    }
    c.out << stored::texts::kWriteOk << " " << show(*back) << "\n";
    return kOk;
}

QString nowDate(const QDateTime& wall) {
    return wall.date().toString(QStringLiteral("yyyy/MM/dd"));
}

QString nowTime(const QDateTime& wall) {
    return stored::stampTimeText(
        stored::makeStamp(wall.date(), wall.time().msecsSinceStartOfDay() / 100));
}

/// Keeps the reading fresh until a sample is due: a poll cycle when there is time for
/// one, a wait when the reading will still be fresh then, and about once a second an
/// attempt to reopen a device that went away. False when Ctrl+C stopped the link.
bool pollBefore(double due, link::Meter& meter, link::Port& port, stored::FreshReading& fresh,
                double& lastReopen, const std::atomic<bool>& interrupted) {
    link::Clock& clock = meter.clock();
    const double now = clock.now();
    try {
        if (port.hasFailed() || !port.isOpen()) {
            if (now - lastReopen >= kReopenInterval) {
                lastReopen = now;
                port.close();
                if (port.open().ok())
                    meter.state().StatusCheckPending = true;
            }
            clock.sleepFor(std::min(0.1, due - now));
            return true;
        }
        if (due - now < kPollCycle && fresh.isFresh(due + kPollCycle)) {
            clock.sleepFor(due - now);
            return true;
        }
        meter.setDeadline(due + kPollGrace);
        meter.PollCycle();
    } catch (const link::LinkTimeout&) {
        // A silence cut the status poll short and left "No COM" up: the next cycle asks
        // for the status again, which is what brings the caption back once it answers.
        meter.state().StatusCheckPending = true;
    } catch (const link::PortLost&) {
        meter.state().LinkCaption = QStringLiteral("No COM");
    } catch (const link::LinkStopped&) {
        if (!interrupted)
            throw;
        return false;
    }
    meter.setDeadline(std::nullopt);
    fresh.observe(meter.state(), clock.now());
    return true;
}

int runRecord(const StoredRequest& r, RunContext& c, link::Port& port) {
    stored::Recorder recorder;
    if (const auto why = recorder.start(r.path)) {
        c.err << "could not create " << r.path << ": " << *why << "\n";
        return kFileFailed;
    }
    link::Meter& meter = c.meter;
    link::Clock& clock = meter.clock();
    meter.state().StatusCheckPending = true;
    stored::FreshReading fresh;
    const double interval = r.intervalTenths / 10.0;
    double lastReopen = -kReopenInterval;
    // One reading first, so the first sample is not missed for want of a poll.
    pollBefore(clock.now() + c.timeout, meter, port, fresh, lastReopen, c.interrupted);
    double due = clock.now();
    int taken = 0;
    bool leftDba = false;
    QString ended;
    while (!c.interrupted && (r.count == 0 || taken < r.count)) {
        const double now = clock.now();
        if (now >= due) {
            const QDateTime wall = QDateTime::currentDateTime();
            const auto step = recorder.add(nowDate(wall), nowTime(wall), fresh.at(wall, now));
            ++taken;
            using Step = stored::Recorder::Step;
            leftDba = step == Step::LeftDba;
            if (step == Step::Full)
                ended = QStringLiteral("the file holds the most samples a recording takes");
            else if (step == Step::LeftDba)
                ended = QStringLiteral("the meter does not show dBA (it shows \"%1\")")
                            .arg(meter.state().DisplayText.trimmed());
            else if (step == Step::WriteFailed)
                ended = QStringLiteral("writing failed: ") + recorder.error();
            if (!ended.isEmpty())
                break;
            // The next sample is booked from this one's due time, not from when it ran;
            // slots passed while the meter held us up are missed samples.
            due += interval;
            for (; due <= now && (r.count == 0 || taken < r.count); due += interval) {
                recorder.add({}, {}, stored::Reading{});
                ++taken;
            }
            continue;
        }
        if (!pollBefore(due, meter, port, fresh, lastReopen, c.interrupted))
            break; // Ctrl+C: the file keeps every line written, and is closed below
    }
    recorder.stop();
    if (c.archive && recorder.recordCount() > 0)
        c.archive->keepRecording(r.path, meter.state(), c.err);
    c.out << "recorded " << recorder.recordCount() << " samples to " << r.path << ", "
          << recorder.missedCount() << " missed\n";
    if (!ended.isEmpty())
        c.err << "recording stopped: " << ended << "\n";
    if (!recorder.error().isEmpty())
        return kFileFailed;
    if (c.interrupted)
        return kInterrupted;
    return leftDba ? kNotDba : kOk;
}

} // namespace

bool isStoredVerb(const QString& word) {
    static const QStringList verbs = {"download", "erase", "id", "interval", "export", "record"};
    return verbs.contains(word);
}

std::optional<StoredRequest> parseStoredCommand(const QStringList& words,
                                                const StoredOptions& options, QString& error) {
    StoredRequest r;
    const QString name = words.value(0);
    const auto args = words.size() - 1;
    auto usage = [&error](const char* text) {
        error = QStringLiteral("usage: ") + QLatin1String(text);
        return std::nullopt;
    };
    r.csv = options.csv;
    r.csvStyle = options.csvStyle;
    r.rawFile = options.rawFile;
    if (name == QLatin1String("download")) {
        if (args != 1)
            return usage("download DIR [--raw FILE]");
        r.verb = StoredVerb::Download;
        r.path = words[1];
    } else if (name == QLatin1String("erase")) {
        if (args != 0)
            return usage("erase --yes");
        if (!options.yes) {
            error =
                QStringLiteral("erase deletes every data set in the meter; give --yes to do it");
            return std::nullopt;
        }
        r.verb = StoredVerb::Erase;
    } else if (name == QLatin1String("id") || name == QLatin1String("interval")) {
        const bool id = name == QLatin1String("id");
        if (args > 1)
            return usage(id ? "id [VALUE]" : "interval [SECONDS]");
        r.verb = id ? StoredVerb::Id : StoredVerb::Interval;
        if (args == 1) {
            const auto in =
                id ? stored::parseIdCodeInput(words[1]) : stored::parseLogIntervalInput(words[1]);
            if (in.verdict != stored::MeterValueInput::Verdict::Value) {
                error = id ? QStringLiteral("the ID code must be a whole number from 1 to 65535")
                           : QStringLiteral("the interval must be 0.1 to 6553.5 seconds, with at "
                                            "most one decimal");
                return std::nullopt;
            }
            r.value = in.value;
        }
    } else if (name == QLatin1String("export")) {
        if (args != 1)
            return usage("export FILE.dat [--csv]");
        r.verb = StoredVerb::Export;
        r.path = words[1];
    } else if (name == QLatin1String("record")) {
        if (args != 1 || options.interval.isEmpty())
            return usage("record FILE --interval S [--count N]");
        const auto tenths = tenthsOf(options.interval);
        if (!tenths || *tenths < kMinRecordTenths || *tenths > kMaxRecordTenths) {
            error =
                QStringLiteral("--interval takes 0.2 to 3600 seconds, with at most one decimal");
            return std::nullopt;
        }
        r.verb = StoredVerb::Record;
        r.path = words[1];
        r.intervalTenths = *tenths;
        r.count = options.count;
    } else {
        error = QStringLiteral("unknown command: %1").arg(name);
        return std::nullopt;
    }
    return r;
}

int runExport(const StoredRequest& r, QTextStream& out, QTextStream& err) {
    const stored::DataFileRead read = stored::readDataFile(r.path);
    if (!read.ok()) {
        err << fileProblem(r.path, read.error.text()) << "\n";
        return kFileFailed;
    }
    for (const QString& remark : read.content->remarks())
        err << r.path << ": " << remark << "\n";
    if (r.csv) {
        out << QString::fromUtf8(stored::csvBytes(read.content->list, r.csvStyle));
    } else {
        for (const QString& line : stored::listingLines(read.content->list))
            out << line << "\n";
    }
    return kOk;
}

int runStoredRequest(const StoredRequest& request, RunContext& context, link::Port& port) {
    switch (request.verb) {
    case StoredVerb::Download:
        return runDownload(request, context);
    case StoredVerb::Erase:
        return runErase(context);
    case StoredVerb::Id:
    case StoredVerb::Interval:
        return runWord(request, context);
    case StoredVerb::Record:
        return runRecord(request, context, port);
    case StoredVerb::Export:
        return runExport(request, context.out, context.err);
    }
    return kUsage;
}

} // namespace nd::cli
