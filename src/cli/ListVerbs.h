#pragma once

#include "stored/Csv.h"
#include "stored/Exposure.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

class QCommandLineParser;

namespace nd::cli {

/// Options of the level-list verbs, as typed.
struct ListOptions {
    QString standard;
    QString criterion;
    QString exchange;
    QString threshold;
    QString resolution;
    bool json = false;
    bool csv = false;
    stored::CsvStyle csvStyle; ///< histogram --csv
};

/// "stats" and "histogram": they read a .dat file and need no meter.
bool isListVerb(const QString& word);
/// The options only these verbs take. They also read --standard, --criterion, --exchange,
/// --threshold, --json and --csv, which the command line defines for other verbs too.
QList<QCommandLineOption> listVerbOptions();
ListOptions readListOptions(const QCommandLineParser& parser);
/// The standard the options name (`defaultKey` when none is named), or why there is none.
std::optional<stored::Standard> chosenStandard(const ListOptions& o, QString& why,
                                               const QString& defaultKey = "osha-pel");
/// "stats FILE.dat" and "histogram FILE.dat"; returns the exit code.
int runListVerb(const QStringList& words, const ListOptions& options, QTextStream& out,
                QTextStream& err);

} // namespace nd::cli
