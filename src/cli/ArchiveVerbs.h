#pragma once

#include "ListVerbs.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>

class QCommandLineParser;

namespace nd::archive {
class Archive;
struct Content;
} // namespace nd::archive
namespace nd::events {
struct BankTable;
}
namespace nd::link {
struct MeterState;
}

namespace nd::cli {

/// The archive's options, as typed.
struct ArchiveOptions {
    QString location;      ///< --archive: a path or a postgresql:// address; empty for the default
    bool disabled = false; ///< --no-archive
    QString worker;
    QString task;
    QString where; ///< --location
    QString notes;
    QString kind;
    QString since;
    QString until;
    QString calBefore;
    QString calAfter;
    bool workerSet = false;
    bool taskSet = false;
    bool whereSet = false;
    bool notesSet = false;
    bool calBeforeSet = false;
    bool calAfterSet = false;
    bool yes = false;
    bool json = false;
    bool csv = false;
    stored::CsvStyle csvStyle; ///< export --csv
    QString out;
};

/// The archive's own options. "archive list" and "archive tag" also read --worker, --task and
/// --location, which the report verbs' options define.
QList<QCommandLineOption> archiveOptions();
ArchiveOptions readArchiveOptions(const QCommandLineParser& parser);

/// "archive import|list|show|tag|export|delete ..."; returns the exit code.
int runArchiveVerb(const QStringList& words, const ArchiveOptions& options,
                   const ListOptions& listOptions, QTextStream& out, QTextStream& err);

/// Where download, record and banks keep what they read; nothing with --no-archive.
class ArchiveSink {
public:
    explicit ArchiveSink(const ArchiveOptions& options);
    ~ArchiveSink();
    ArchiveSink(const ArchiveSink&) = delete;
    ArchiveSink& operator=(const ArchiveSink&) = delete;

    /// Adds a measurement and says "archived as N" or "already in the archive as N" on
    /// `err`, or why it could not. The archive opens on first use.
    void keep(const archive::Content& content, QTextStream& err);
    /// A recording file, read back through the .dat reader, with the meter's settings.
    void keepRecording(const QString& path, const link::MeterState& state, QTextStream& err);
    /// Banks read from the meter.
    void keepBanks(const events::BankTable& table, const QString& source, QTextStream& err);
    /// True when something could not be archived.
    bool failed() const { return m_failed; }

private:
    QString m_location;
    bool m_enabled = true;
    bool m_failed = false;
    std::unique_ptr<archive::Archive> m_archive;
};

} // namespace nd::cli
