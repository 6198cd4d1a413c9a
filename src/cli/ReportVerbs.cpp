#include "ReportVerbs.h"

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

/// A measurement of the command line, with the tags the options give; the exit code of
/// a refusal otherwise.
std::optional<report::Measurement> measurementOf(const QString& reference, const ReportOptions& o,
                                                 QTextStream& err, int& exitCode) {
    report::MeasurementLoad load = report::loadMeasurement(reference);
    if (!load.measurement) {
        err << "noisedesk-cli: " << load.error << "\n";
        exitCode = QFileInfo::exists(reference) ? kFileFailed : kUsage;
        return std::nullopt;
    }
    load.measurement->worker = o.worker;
    load.measurement->task = o.task;
    load.measurement->location = o.location;
    return load.measurement;
}

int runReport(const QStringList& files, const ReportOptions& o, QTextStream& out,
              QTextStream& err) {
    if (o.out.isEmpty()) {
        err << "noisedesk-cli: report needs --out FILE.pdf\n";
        return kUsage;
    }
    if (files.isEmpty() || (!o.summary && files.size() != 1)) {
        err << "noisedesk-cli: report takes one file (report FILE.dat), or several with "
               "--summary\n";
        return kUsage;
    }
    const auto settings = reportSettings(o, err);
    if (!settings)
        return kUsage;
    std::vector<report::Measurement> measurements;
    for (const QString& file : files) {
        int exitCode = kOk;
        auto m = measurementOf(file, o, err, exitCode);
        if (!m)
            return exitCode;
        measurements.push_back(std::move(*m));
    }
    if (o.summary)
        return save(o.out, report::summaryReportPdf(measurements, *settings), out, err);
    const report::Verdict verdict = report::judge(measurements.front().list, settings->regulation);
    const int exitCode =
        save(o.out, report::measurementReportPdf(measurements.front(), *settings), out, err);
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
            {"worker", "report: the worker measured; archive list, tag: the worker.", "W"},
            {"task", "report: the task measured; archive list, tag: the task.", "T"},
            {"location", "report: where the measurement was made; archive list, tag: the location.",
             "L"},
            {"summary", "report: one summary table of the files given."}};
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
