#include "ArchiveVerbs.h"

#include "CliArgs.h"
#include "CliRunner.h"
#include "archive/Archive.h"
#include "events/BankFile.h"
#include "link/MeterState.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace nd::cli {

namespace {

QJsonValue orNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject measurementJson(const archive::Measurement& m) {
    return {{"id", m.id},
            {"kind", archive::kindKey(m.kind)},
            {"meter_id", orNull(m.meterId)},
            {"start", orNull(archive::stampText(m.start))},
            {"end", orNull(archive::stampText(m.end))},
            {"interval_s", m.intervalTenths ? QJsonValue(*m.intervalTenths / 10.0) : QJsonValue()},
            {"samples", m.samples},
            {"worker", m.tags.worker},
            {"task", m.tags.task},
            {"location", m.tags.location},
            {"notes", m.tags.notes},
            {"source", m.source}};
}

std::optional<QDate> dayOf(const QString& text, bool& bad) {
    if (text.isEmpty())
        return std::nullopt;
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    bad = bad || !d.isValid();
    return d;
}

std::optional<qint64> idOf(const QStringList& words, QTextStream& err) {
    bool ok = false;
    const qint64 id = words.value(2).toLongLong(&ok);
    if (words.size() != 3 || !ok || id < 1) {
        refuseUsage(err,
                    QStringLiteral("archive %1 takes one measurement number").arg(words.value(1)));
        return std::nullopt;
    }
    return id;
}

int runImport(archive::Archive& a, const QStringList& files, QTextStream& out, QTextStream& err) {
    int code = kOk;
    for (const QString& file : files) {
        const archive::FileContent read = archive::readMeasurementFile(file);
        if (!read.content) {
            err << file << ": " << read.error << "; nothing added\n";
            code = kFileFailed;
            continue;
        }
        const archive::Added added = a.add(*read.content);
        if (!added.ok()) {
            err << file << ": " << added.error << "\n";
            code = kFileFailed;
            continue;
        }
        out << file << ": " << added.text() << "\n";
    }
    return code;
}

int runList(archive::Archive& a, const ArchiveOptions& o, QTextStream& out, QTextStream& err) {
    archive::Filter f;
    f.worker = o.worker;
    f.task = o.task;
    f.location = o.where;
    bool bad = false;
    f.since = dayOf(o.since, bad);
    f.until = dayOf(o.until, bad);
    if (bad) {
        return refuseUsage(err, QStringLiteral("--since and --until take a date YYYY-MM-DD"));
    }
    if (!o.kind.isEmpty()) {
        f.kind = archive::kindFromKey(o.kind);
        if (!f.kind) {
            return refuseUsage(err,
                               QStringLiteral("--kind takes logged, recording, bank or average"));
        }
    }
    const auto all = a.list(f);
    if (!a.error().isEmpty() && all.empty()) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    if (o.json) {
        QJsonArray list;
        for (const archive::Measurement& m : all)
            list.append(measurementJson(m));
        out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented));
        return kOk;
    }
    for (const archive::Measurement& m : all) {
        out << m.id << "\t" << archive::kindKey(m.kind) << "\t" << archive::stampText(m.start)
            << "\t" << m.samples << "\t" << m.tags.worker << "\t" << m.tags.task << "\t"
            << m.tags.location << "\t" << m.source << "\n";
    }
    return kOk;
}

int runShow(archive::Archive& a, qint64 id, const ArchiveOptions& o, ListOptions lo,
            QTextStream& out, QTextStream& err) {
    const auto c = a.load(id);
    if (!c) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    // "meter" takes the settings the measurement was made with, unless given.
    if (lo.standard == QLatin1String(stored::kMeterStandardKey)) {
        if (lo.criterion.isEmpty() && c->info.criterion)
            lo.criterion = QString::number(*c->info.criterion);
        if (lo.exchange.isEmpty() && c->info.exchange)
            lo.exchange = QString::number(*c->info.exchange);
        if (lo.threshold.isEmpty() && c->info.threshold)
            lo.threshold = QString::number(*c->info.threshold);
    }
    QString why;
    const auto standard = chosenStandard(lo, why);
    if (!standard) {
        return refuseUsage(err, why);
    }
    const bool levels = c->info.kind != archive::Kind::Bank;
    const stored::Exposure e = stored::computeExposure(archive::levelList(*c), *standard);
    if (o.json) {
        QJsonObject object = measurementJson(c->info);
        object.insert("stats",
                      levels ? QJsonValue(QJsonDocument::fromJson(stored::exposureJson(e)).object())
                             : QJsonValue());
        out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
        return kOk;
    }
    const QJsonObject object = measurementJson(c->info);
    for (auto it = object.begin(); it != object.end(); ++it)
        out << (it.key() + QLatin1Char(':')).leftJustified(20) << it.value().toVariant().toString()
            << "\n";
    if (levels) {
        for (const auto& [label, value] : stored::exposureRows(e))
            out << (label + QLatin1Char(':')).leftJustified(20) << value << "\n";
    }
    return kOk;
}

int runTag(archive::Archive& a, qint64 id, const ArchiveOptions& o, QTextStream& out,
           QTextStream& err) {
    const auto m = a.find(id);
    if (!m) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    archive::Tags t = m->tags;
    if (o.workerSet)
        t.worker = o.worker;
    if (o.taskSet)
        t.task = o.task;
    if (o.whereSet)
        t.location = o.where;
    if (o.notesSet)
        t.notes = o.notes;
    if ((o.calBeforeSet && !parseCalibration(o.calBefore, t.calBefore)) ||
        (o.calAfterSet && !parseCalibration(o.calAfter, t.calAfter))) {
        return refuseUsage(err, QStringLiteral("--cal-before and --cal-after take the calibrator's "
                                               "reading in dB (0 to 200), or nothing to clear it"));
    }
    if (!a.setTags(id, t)) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    out << "tagged " << id << "\n";
    return kOk;
}

int runExportOne(archive::Archive& a, qint64 id, const ArchiveOptions& o, QTextStream& out,
                 QTextStream& err) {
    const auto c = a.load(id);
    if (!c) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    QByteArray bytes;
    switch (c->info.kind) {
    case archive::Kind::Logged:
    case archive::Kind::Recording: {
        const stored::LevelList list = archive::levelList(*c);
        if (o.csv) {
            bytes = stored::csvBytes(list, o.csvStyle);
        } else if (c->info.kind == archive::Kind::Logged) {
            bytes = stored::gridFileBytes(list);
        } else {
            bytes = stored::recordingHeaderLine();
            for (const stored::LevelRow& row : list.rows)
                bytes += stored::recordingLine(row);
        }
        break;
    }
    case archive::Kind::Bank:
        bytes = events::BankFileBytes(archive::bankTable(*c), events::BankLayout::Menu);
        break;
    case archive::Kind::Average:
        bytes = o.csv ? realtime::averageCsvBytes(archive::averageFile(*c), {}, o.csvStyle)
                      : realtime::averageFileBytes(archive::averageFile(*c));
        break;
    }
    if (o.out.isEmpty()) {
        // The file's own bytes, whatever their encoding.
        out.flush();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return kOk;
    }
    if (const auto why = stored::saveBytes(o.out, bytes)) {
        err << "could not write " << o.out << ": " << *why << "\n";
        return kFileFailed;
    }
    err << "wrote " << o.out << "\n";
    return kOk;
}

} // namespace

QList<QCommandLineOption> archiveOptions() {
    return {
        {"archive",
         "The archive: a file, or postgresql://USER@HOST:PORT/DBNAME "
         "(?host=/socket/dir for a local socket).",
         "PATH_OR_URL"},
        {"no-archive", "download, record, banks: do not archive what is read."},
        {"notes", "archive tag: notes.", "N"},
        {"kind", "archive list: logged, recording, bank or average.", "K"},
        {"since", "archive list, report --summary: first sample on or after this day.",
         "YYYY-MM-DD"},
        {"until", "archive list, report --summary: first sample on or before this day.",
         "YYYY-MM-DD"},
        {"cal-before", "archive tag, report: the calibrator's reading before, in dB.", "DB"},
        {"cal-after", "archive tag, report: the calibrator's reading after, in dB.", "DB"},
    };
}

ArchiveOptions readArchiveOptions(const QCommandLineParser& p) {
    ArchiveOptions o;
    o.location = p.value("archive");
    o.disabled = p.isSet("no-archive");
    o.worker = p.value("worker");
    o.task = p.value("task");
    o.where = p.value("location");
    o.notes = p.value("notes");
    o.kind = p.value("kind");
    o.since = p.value("since");
    o.until = p.value("until");
    o.calBefore = p.value("cal-before");
    o.calAfter = p.value("cal-after");
    o.workerSet = p.isSet("worker");
    o.taskSet = p.isSet("task");
    o.whereSet = p.isSet("location");
    o.notesSet = p.isSet("notes");
    o.calBeforeSet = p.isSet("cal-before");
    o.calAfterSet = p.isSet("cal-after");
    o.yes = p.isSet("yes");
    o.json = p.isSet("json");
    o.csv = p.isSet("csv");
    o.out = p.value("out");
    return o;
}

int runArchiveVerb(const QStringList& words, const ArchiveOptions& o, const ListOptions& lo,
                   QTextStream& out, QTextStream& err) {
    static const QStringList verbs = {"import", "list", "show", "tag", "export", "delete"};
    const QString verb = words.value(1);
    if (!verbs.contains(verb)) {
        return refuseUsage(
            err, QStringLiteral("archive takes import, list, show, tag, export or delete"));
    }
    if (verb == QLatin1String("import") && words.size() < 3) {
        return refuseUsage(err, QStringLiteral("archive import needs one or more files"));
    }
    if (verb == QLatin1String("list") && words.size() != 2) {
        return refuseUsage(err, QStringLiteral("archive list takes options only"));
    }
    std::optional<qint64> id;
    if (verb != QLatin1String("import") && verb != QLatin1String("list")) {
        id = idOf(words, err);
        if (!id)
            return kUsage;
    }
    if (verb == QLatin1String("delete") && !o.yes) {
        return refuseUsage(
            err,
            QStringLiteral("archive delete removes the measurement for good; give --yes to do it"));
    }
    const bool reading = verb == QLatin1String("list") || verb == QLatin1String("show") ||
                         verb == QLatin1String("export");
    archive::Archive a;
    if (!a.open(o.location.isEmpty() ? archive::defaultArchivePath() : o.location, reading)) {
        // A new archive is made by the verbs that write; the readers find an empty one.
        if (reading && o.location.isEmpty() && !QFile::exists(archive::defaultArchivePath())) {
            if (o.json && verb == QLatin1String("list"))
                out << "[]\n";
            return verb == QLatin1String("list") ? kOk : kFileFailed;
        }
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    if (verb == QLatin1String("import"))
        return runImport(a, words.mid(2), out, err);
    if (verb == QLatin1String("list"))
        return runList(a, o, out, err);
    if (verb == QLatin1String("show"))
        return runShow(a, *id, o, lo, out, err);
    if (verb == QLatin1String("tag"))
        return runTag(a, *id, o, out, err);
    if (verb == QLatin1String("export"))
        return runExportOne(a, *id, o, out, err);
    const auto m = a.find(*id);
    if (!m || !a.remove(*id)) {
        err << "noisedesk-cli: " << a.error() << "\n";
        return kFileFailed;
    }
    out << "deleted " << *id << " (" << archive::kindKey(m->kind) << ", " << m->source << ")\n";
    return kOk;
}

ArchiveSink::ArchiveSink(const ArchiveOptions& options)
    : m_location(options.location.isEmpty() ? archive::defaultArchivePath() : options.location),
      m_enabled(!options.disabled) {}

ArchiveSink::~ArchiveSink() = default;

void ArchiveSink::keep(const archive::Content& content, QTextStream& err) {
    if (!m_enabled)
        return;
    if (!m_archive) {
        m_archive = std::make_unique<archive::Archive>();
        if (!m_archive->open(m_location))
            err << "could not archive: " << m_archive->error() << "\n";
    }
    if (!m_archive->isOpen() || m_archive->isReadOnly()) {
        m_failed = true;
        if (m_archive->isReadOnly())
            err << "could not archive " << content.info.source << ": the archive is read-only\n";
        return;
    }
    const archive::Added added = m_archive->add(content);
    if (!added.ok()) {
        m_failed = true;
        err << "could not archive " << content.info.source << ": " << added.error << "\n";
        return;
    }
    err << content.info.source << ": "
        << (added.added ? QStringLiteral("archived as %1").arg(added.id) : added.text()) << "\n";
}

void ArchiveSink::keepRecording(const QString& path, const link::MeterState& state,
                                QTextStream& err) {
    if (!m_enabled)
        return;
    const stored::DataFileRead read = stored::readDataFile(path);
    if (!read.ok()) {
        m_failed = true;
        err << "could not archive " << path << ": " << read.error.text() << "\n";
        return;
    }
    archive::Content c = archive::fromLevelList(archive::Kind::Recording, read.content->list,
                                                QFileInfo(path).fileName());
    if (state.CriterionLevel > 0) {
        c.info.criterion = state.CriterionLevel;
        c.info.exchange = state.ExchangeRate;
        c.info.weighting = state.TimeWeightingText.trimmed();
        bool ok = false;
        if (const double threshold = state.ThresholdText.trimmed().toDouble(&ok); ok)
            c.info.threshold = threshold;
    }
    keep(c, err);
}

void ArchiveSink::keepBanks(const events::BankTable& table, const QString& source,
                            QTextStream& err) {
    if (m_enabled)
        keep(archive::fromBankTable(table, source), err);
}

} // namespace nd::cli
