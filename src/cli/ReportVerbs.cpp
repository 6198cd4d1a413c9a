#include "ReportVerbs.h"

#include "CliArgs.h"
#include "CliRunner.h"
#include "archive/Archive.h"
#include "report/Assessment.h"
#include "report/PdfPages.h"
#include "report/Reports.h"
#include "stored/SaveFile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <memory>

namespace nd::cli {

namespace {

/// The report settings of the options, or the exit code of a refusal.
std::optional<report::ReportOptions> reportSettings(const ReportOptions& o, QTextStream& err) {
    report::ReportOptions r;
    if (o.regulation.isEmpty()) {
        r.regulation = QLocale::system().country() == QLocale::UnitedStates
                           ? report::Regulation::Osha
                           : report::Regulation::Eu;
    } else if (const auto regulation = report::parseRegulation(o.regulation)) {
        r.regulation = *regulation;
    } else {
        err << "noisedesk-cli: --regulation takes eu or osha\n";
        return std::nullopt;
    }
    if (o.paper.isEmpty()) {
        r.paper = report::defaultPaper();
    } else if (o.paper == QLatin1String("a4")) {
        r.paper = QPageSize::A4;
    } else if (o.paper == QLatin1String("letter")) {
        r.paper = QPageSize::Letter;
    } else {
        err << "noisedesk-cli: --paper takes a4 or letter\n";
        return std::nullopt;
    }
    QString why;
    const auto standard = chosenStandard(o.list, why, report::defaultStandardKey(r.regulation));
    if (!standard) {
        err << "noisedesk-cli: " << why << "\n";
        return std::nullopt;
    }
    r.standard = *standard;
    return r;
}

/// The archive of --archive (the default one otherwise), opened to read; null with the
/// reason on `err` when it cannot be opened.
std::unique_ptr<archive::Archive> openArchive(const ReportOptions& o, QTextStream& err) {
    auto a = std::make_unique<archive::Archive>();
    const QString where = o.archive.isEmpty() ? archive::defaultArchivePath() : o.archive;
    if (o.archive.isEmpty() && !QFile::exists(where)) {
        err << "noisedesk-cli: there is no archive yet (" << where << ")\n";
        return nullptr;
    }
    if (!a->open(where, true)) {
        err << "noisedesk-cli: " << a->error() << "\n";
        return nullptr;
    }
    return a;
}

int save(const QString& path, const QByteArray& pdf, QTextStream& out, QTextStream& err) {
    if (const auto why = stored::saveBytes(path, pdf)) {
        err << "noisedesk-cli: " << path << " could not be written: " << *why << "\n";
        return kFileFailed;
    }
    out << path << " written\n";
    return kOk;
}

/// The options' tags over the measurement's own: those given on the command line win. A
/// file has no tags of its own, so only what is given is there.
bool applyOptions(report::Measurement& m, const ReportOptions& o, QTextStream& err) {
    if (o.workerSet)
        m.worker = o.worker;
    if (o.taskSet)
        m.task = o.task;
    if (o.locationSet)
        m.location = o.location;
    if ((o.calBeforeSet && !parseCalibration(o.calBefore, m.calibrationBefore)) ||
        (o.calAfterSet && !parseCalibration(o.calAfter, m.calibrationAfter))) {
        err << "noisedesk-cli: --cal-before and --cal-after take the calibrator's reading in dB "
               "(0 to 200)\n";
        return false;
    }
    return true;
}

/// A measurement of the command line (a file, or a number of `store`), the exit code of a
/// refusal otherwise: 4 when the file or the archive cannot be read, 1 when there is none.
std::optional<report::Measurement> measurementOf(const QString& reference, archive::Archive* store,
                                                 QTextStream& err, int& exitCode) {
    bool archiveFailed = false;
    report::MeasurementLoad load =
        store && report::isArchiveReference(reference)
            ? report::loadArchived(*store, report::archiveNumber(reference), &archiveFailed)
            : report::loadMeasurement(reference, {}, store);
    if (!load.measurement) {
        err << "noisedesk-cli: " << load.error << "\n";
        exitCode = archiveFailed ||
                           (!report::isArchiveReference(reference) && QFileInfo::exists(reference))
                       ? kFileFailed
                       : kUsage;
        return std::nullopt;
    }
    return load.measurement;
}

/// The measurements of a summary drawn from the archive: its own filter on worker, task,
/// location and days; banks (no levels) left out.
std::optional<std::vector<report::Measurement>> archivedMeasurements(archive::Archive& store,
                                                                     const ReportOptions& o,
                                                                     QTextStream& err,
                                                                     int& exitCode) {
    archive::Filter f;
    f.worker = o.worker;
    f.task = o.task;
    f.location = o.location;
    for (const auto& [text, day] : {std::pair{o.since, &f.since}, std::pair{o.until, &f.until}}) {
        if (text.isEmpty())
            continue;
        *day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!day->value().isValid()) {
            exitCode = refuseUsage(err, QStringLiteral("--since and --until take a date "
                                                       "YYYY-MM-DD"));
            return std::nullopt;
        }
    }
    const std::vector<archive::Measurement> found = store.list(f);
    if (found.empty() && !store.error().isEmpty()) {
        err << "noisedesk-cli: " << store.error() << "\n";
        exitCode = kFileFailed;
        return std::nullopt;
    }
    std::vector<report::Measurement> measurements;
    for (const archive::Measurement& m : found) {
        if (m.kind == archive::Kind::Bank)
            continue;
        bool archiveFailed = false;
        report::MeasurementLoad load = report::loadArchived(store, m.id, &archiveFailed);
        if (!load.measurement) {
            err << "noisedesk-cli: " << load.error << "\n";
            exitCode = kFileFailed;
            return std::nullopt;
        }
        measurements.push_back(std::move(*load.measurement));
    }
    if (measurements.empty()) {
        err << "noisedesk-cli: no measurement in the archive matches; nothing written\n";
        exitCode = kUsage;
        return std::nullopt;
    }
    return measurements;
}

int runReport(const QStringList& files, const ReportOptions& o, QTextStream& out,
              QTextStream& err) {
    if (o.out.isEmpty()) {
        err << "noisedesk-cli: report needs --out FILE.pdf\n";
        return kUsage;
    }
    const bool fromArchive = o.summary && files.isEmpty();
    if ((o.idSet && (o.summary || !files.isEmpty())) ||
        (!o.idSet && !o.summary && files.size() != 1)) {
        err << "noisedesk-cli: report takes one file (report FILE.dat) or --id ID, several "
               "files with --summary, or --summary alone to read the archive\n";
        return kUsage;
    }
    if (o.idSet && !report::isArchiveReference(o.id))
        return refuseUsage(err, QStringLiteral("--id takes a measurement number of the archive"));
    if ((!o.since.isEmpty() || !o.until.isEmpty()) && !fromArchive)
        return refuseUsage(err, QStringLiteral("--since and --until go with report --summary "
                                               "and no file (a summary from the archive)"));
    if (o.summary && (o.calBeforeSet || o.calAfterSet))
        return refuseUsage(err, QStringLiteral("--cal-before and --cal-after go with the report "
                                               "of one measurement"));
    const auto settings = reportSettings(o, err);
    if (!settings)
        return kUsage;
    const QStringList references = o.idSet ? QStringList{o.id} : files;
    std::unique_ptr<archive::Archive> store;
    if (fromArchive ||
        std::any_of(references.begin(), references.end(), report::isArchiveReference)) {
        store = openArchive(o, err);
        if (!store)
            return kFileFailed;
    }
    std::vector<report::Measurement> measurements;
    int exitCode = kOk;
    if (fromArchive) {
        auto found = archivedMeasurements(*store, o, err, exitCode);
        if (!found)
            return exitCode;
        measurements = std::move(*found);
    }
    for (const QString& reference : references) {
        auto m = measurementOf(reference, store.get(), err, exitCode);
        if (!m)
            return exitCode;
        if (!applyOptions(*m, o, err))
            return kUsage;
        measurements.push_back(std::move(*m));
    }
    if (o.summary)
        return save(o.out, report::summaryReportPdf(measurements, *settings), out, err);
    const report::Verdict verdict = report::judge(measurements.front().list, settings->regulation);
    exitCode = save(o.out, report::measurementReportPdf(measurements.front(), *settings), out, err);
    if (exitCode == kOk) {
        out << report::regulationName(settings->regulation) << ": " << verdict.summary() << "\n";
        for (const QString& limit : verdict.limits)
            out << limit << "\n";
    }
    return exitCode;
}

int runAssess(const QString& planPath, const ReportOptions& o, QTextStream& out, QTextStream& err) {
    QFile file(planPath);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "noisedesk-cli: " << planPath << ": " << file.errorString() << "\n";
        return kFileFailed;
    }
    const report::PlanRead read = report::parsePlan(file.readAll());
    if (!read.plan) {
        err << "noisedesk-cli: " << planPath << ": " << read.error << "\n";
        return kUsage;
    }
    std::unique_ptr<archive::Archive> store;
    if (report::usesArchive(*read.plan)) {
        store = openArchive(o, err);
        if (!store)
            return kFileFailed;
    }
    const report::PlanAssessmentRun run =
        report::runPlan(*read.plan, QFileInfo(planPath).absolutePath(), store.get());
    if (!run.assessment) {
        err << "noisedesk-cli: " << planPath << ": " << run.error << "\n";
        return kUsage;
    }
    const report::PlanAssessment& a = *run.assessment;
    if (!o.out.isEmpty()) {
        auto settings = reportSettings(o, err);
        if (!settings)
            return kUsage;
        const int exitCode = save(o.out, report::assessmentReportPdf(a, *settings), err, err);
        if (exitCode != kOk)
            return exitCode;
    }
    if (o.list.json) {
        out << QString::fromUtf8(report::assessmentJson(a));
        return kOk;
    }
    for (const report::TaskResult& t : a.result.tasks)
        out << QStringLiteral("%1  %2 h  %3 measurements  LAeq %4 dB  LEX,8h %5 dB  %6 %\n")
                   .arg(t.name.leftJustified(16))
                   .arg(t.hours, 0, 'g', 4)
                   .arg(t.measurements)
                   .arg(t.laeq, 0, 'f', 1)
                   .arg(t.lex8h, 0, 'f', 1)
                   .arg(t.contributionPercent, 0, 'f', 1);
    out << QStringLiteral("LEX,8h %1 dB(A) +- %2 dB (u %3 dB; U without the durations %4 dB)\n")
               .arg(a.result.lex8h, 0, 'f', 1)
               .arg(a.result.U, 0, 'f', 1)
               .arg(a.result.u, 0, 'f', 1)
               .arg(a.result.UWithoutHours, 0, 'f', 1);
    for (const QString& w : a.result.warnings)
        out << "warning: " << w << "\n";
    return kOk;
}

} // namespace

bool isReportVerb(const QString& word) {
    return word == QLatin1String("report") || word == QLatin1String("assess");
}

bool drawsPages(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "report") == 0 || std::strcmp(argv[i], "assess") == 0)
            return true;
    }
    return false;
}

QList<QCommandLineOption> reportVerbOptions() {
    return {{"regulation", "report: eu (Directive 2003/10/EC) or osha (29 CFR 1910.95).", "R"},
            {"paper", "report, assess: a4 or letter (default from the locale).", "P"},
            {"worker",
             "report: the worker measured (the archive's tag by default); report --summary "
             "without files, archive list: only this worker; archive tag: the worker.",
             "W"},
            {"task", "report: the task measured; archive list, tag: the task.", "T"},
            {"location", "report: where the measurement was made; archive list, tag: the location.",
             "L"},
            {"summary", "report: one summary table of the files given, or of the archive's "
                        "measurements (--worker, --since, --until) when no file is given."}};
}

ReportOptions readReportOptions(const QCommandLineParser& parser) {
    ReportOptions o;
    o.list = readListOptions(parser);
    o.regulation = parser.value("regulation");
    o.paper = parser.value("paper");
    o.worker = parser.value("worker");
    o.task = parser.value("task");
    o.location = parser.value("location");
    o.out = parser.value("out");
    o.summary = parser.isSet("summary");
    o.archive = parser.value("archive");
    o.id = parser.value("id");
    o.idSet = parser.isSet("id");
    o.workerSet = parser.isSet("worker");
    o.taskSet = parser.isSet("task");
    o.locationSet = parser.isSet("location");
    o.calBefore = parser.value("cal-before");
    o.calAfter = parser.value("cal-after");
    o.calBeforeSet = parser.isSet("cal-before");
    o.calAfterSet = parser.isSet("cal-after");
    o.since = parser.value("since");
    o.until = parser.value("until");
    return o;
}

int runReportVerb(const QStringList& words, const ReportOptions& options, QTextStream& out,
                  QTextStream& err) {
    if (words.value(0) == QLatin1String("report"))
        return runReport(words.mid(1), options, out, err);
    if (words.size() != 2) {
        err << "noisedesk-cli: assess takes one plan: assess PLAN.json [--json] [--out FILE.pdf]\n";
        return kUsage;
    }
    return runAssess(words[1], options, out, err);
}

} // namespace nd::cli
