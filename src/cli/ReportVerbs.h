#pragma once

#include "ListVerbs.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

class QCommandLineParser;

namespace nd::cli {

/// Options of "report" and "assess", as typed.
struct ReportOptions {
    ListOptions list; ///< --standard and the meter's settings, --json
    QString regulation;
    QString paper;
    QString worker;
    QString task;
    QString location;
    QString out;
    bool summary = false;
    QString archive; ///< --archive: a path or a postgresql:// address; empty for the default
    QString id;      ///< --id: a measurement of the archive
    bool idSet = false;
    bool workerSet = false;
    bool taskSet = false;
    bool locationSet = false;
    QString calBefore; ///< --cal-before, --cal-after: the calibrator's readings in dB
    QString calAfter;
    bool calBeforeSet = false;
    bool calAfterSet = false;
    QString since; ///< --since, --until: the days of a summary from the archive
    QString until;
};

/// "report" and "assess": they read .dat files and plans and need no meter.
bool isReportVerb(const QString& word);
/// True when the command line asks for a report: it lays out text and needs a
/// QGuiApplication rather than a QCoreApplication.
bool drawsPages(int argc, char* argv[]);
/// The options only these verbs take; they also read --standard, --json and --out.
QList<QCommandLineOption> reportVerbOptions();
ReportOptions readReportOptions(const QCommandLineParser& parser);
/// "report FILE.dat", "report --id ID", "report --summary FILE.dat...", "report --summary"
/// (from the archive), "assess PLAN.json"; the exit code.
int runReportVerb(const QStringList& words, const ReportOptions& options, QTextStream& out,
                  QTextStream& err);

} // namespace nd::cli
