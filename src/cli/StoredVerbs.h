#pragma once

#include "CliRunner.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace nd::link {
class Port;
}

namespace nd::cli {

/// The stored-data verbs: download, erase, id, interval, export, record.
enum class StoredVerb { Download, Erase, Id, Interval, Export, Record };

struct StoredRequest {
    StoredVerb verb = StoredVerb::Download;
    QString path;             ///< download: folder; export, record: file
    QString rawFile;          ///< download --raw
    std::optional<int> value; ///< id: the code; interval: tenths; nothing to read only
    int intervalTenths = 0;   ///< record --interval
    int count = 0;            ///< record --count: samples (written or missed), 0 for no end
    bool csv = false;
    stored::CsvStyle csvStyle; ///< export --csv
};

/// Options of the stored-data verbs, as given on the command line.
struct StoredOptions {
    QString rawFile;
    bool yes = false;
    QString interval; ///< record --interval, as typed
    int count = 0;
    bool csv = false;
    stored::CsvStyle csvStyle;
};

bool isStoredVerb(const QString& word);
/// Checks the words of a stored-data verb; the request, or why it was refused.
std::optional<StoredRequest> parseStoredCommand(const QStringList& words,
                                                const StoredOptions& options, QString& error);

/// export: needs no meter.
int runExport(const StoredRequest& request, QTextStream& out, QTextStream& err);
/// The verbs that talk to the meter. `port` is reopened by record when the device fails.
int runStoredRequest(const StoredRequest& request, RunContext& context, link::Port& port);

} // namespace nd::cli
