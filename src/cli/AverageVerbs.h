#pragma once

#include "stored/Csv.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace nd::cli {

/// Options of `average` and of `export FILE.avg`, as given on the command line.
struct AverageOptions {
    QString interval; ///< --interval, "hh:mm:ss"
    QString out;      ///< --out FILE.avg
    bool json = false;
    bool csv = false;
    stored::CsvStyle csvStyle; ///< export FILE.avg --csv
    QString job;               ///< --out: the file's JOB, Name and ID fields
    QString name;
    QString id;
};

/// True for the words this file handles: "average ...", and "export FILE.avg".
bool isAverageCommand(const QStringList& words);
/// Runs them (no meter needed) and returns the exit code.
int runAverageCommand(const QStringList& words, const AverageOptions& options, QTextStream& out,
                      QTextStream& err);

/// The file name with ".avg" added when it has no such ending.
QString withAvgSuffix(const QString& path);

} // namespace nd::cli
