#include "ListVerbs.h"

#include "CliRunner.h"
#include "stored/DataFile.h"
#include "stored/Exposure.h"
#include "stored/HistogramCounts.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace nd::cli {

namespace {

std::optional<double> number(const QString& text, double low, double high) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

std::optional<stored::Standard> chosenStandard(const ListOptions& o, QString& why,
                                               const QString& defaultKey) {
    const QString key = o.standard.isEmpty() ? defaultKey : o.standard;
    if (key != QLatin1String(stored::kMeterStandardKey)) {
        auto preset = stored::presetByKey(key);
        if (!preset)
            why = QStringLiteral("--standard takes osha-pel, osha-hc, niosh, iso or meter");
        return preset;
    }
    // A file does not hold the meter's settings, so "meter" takes them from the options.
    const auto criterion = number(o.criterion, 40, 140);
    const auto exchange = number(o.exchange, 1, 10);
    if (!criterion || !exchange) {
        why = QStringLiteral("--standard meter needs --criterion DB (40 to 140) and "
                             "--exchange DB (1 to 10)");
        return std::nullopt;
    }
    std::optional<double> threshold;
    if (!o.threshold.isEmpty()) {
        threshold = number(o.threshold, 0, 140);
        if (!threshold) {
            why = QStringLiteral("--threshold takes a level from 0 to 140 dB");
            return std::nullopt;
        }
    }
    return stored::meterStandard(*criterion, *exchange, threshold);
}

namespace {

std::optional<stored::LevelList> readList(const QString& path, QTextStream& err) {
    stored::DataFileRead read = stored::readDataFile(path);
    if (!read.ok()) {
        err << fileProblem(path, read.error.text()) << "\n";
        return std::nullopt;
    }
    for (const QString& remark : read.content->remarks())
        err << path << ": " << remark << "\n";
    return std::move(read.content->list);
}

int runStats(const QString& path, const ListOptions& o, QTextStream& out, QTextStream& err) {
    QString why;
    const auto standard = chosenStandard(o, why);
    if (!standard) {
        return refuseUsage(err, why);
    }
    const auto list = readList(path, err);
    if (!list)
        return kFileFailed;
    const stored::Exposure e = stored::computeExposure(*list, *standard);
    if (o.json) {
        out << QString::fromUtf8(stored::exposureJson(e)) << "\n";
        return kOk;
    }
    for (const auto& [label, value] : stored::exposureRows(e))
        out << (label + QLatin1Char(':')).leftJustified(20) << value << "\n";
    for (const QString& remark : stored::exposureRemarks(e))
        out << remark << "\n";
    return kOk;
}

/// The non-empty bins as JSON: {"resolution", "bins": [{"level", "count"}...],
/// "not_counted"}; a bin's level is its lower edge at 1 dB, its middle at 0.1 dB.
QByteArray histogramJson(const stored::HistogramCounts& counts) {
    QJsonArray bins;
    for (int k = 0; k <= counts.top(); ++k) {
        const std::int64_t n = counts.bins[static_cast<std::size_t>(k)];
        if (n > 0)
            bins.append(QJsonObject{{"level", double(k) / counts.binsPerDb()},
                                    {"count", static_cast<qint64>(n)}});
    }
    return QJsonDocument(QJsonObject{{"resolution", 1.0 / counts.binsPerDb()},
                                     {"bins", bins},
                                     {"not_counted", counts.ignored}})
        .toJson(QJsonDocument::Compact);
}

int runHistogram(const QString& path, const ListOptions& o, QTextStream& out, QTextStream& err) {
    stored::Resolution resolution = stored::Resolution::OneDb;
    if (o.resolution == QLatin1String("0.1")) {
        resolution = stored::Resolution::TenthDb;
    } else if (!o.resolution.isEmpty() && o.resolution != QLatin1String("1")) {
        return refuseUsage(err, QStringLiteral("--resolution takes 1 or 0.1"));
    }
    if (o.json && o.csv)
        return refuseUsage(err, QStringLiteral("give --json or --csv, not both"));
    const auto list = readList(path, err);
    if (!list)
        return kFileFailed;
    const stored::HistogramCounts counts = stored::countLevels(*list, resolution);
    if (o.json)
        out << QString::fromUtf8(histogramJson(counts)) << "\n";
    else
        out << QString::fromLatin1(stored::histogramText(counts, o.csv, o.csvStyle));
    if (counts.ignored > 0)
        err << path << ": " << counts.ignored << " rows hold no level and are not counted\n";
    return kOk;
}

} // namespace

bool isListVerb(const QString& word) {
    return word == QLatin1String("stats") || word == QLatin1String("histogram");
}

QList<QCommandLineOption> listVerbOptions() {
    // --standard, --criterion, --exchange and --threshold are the setup verb's options,
    // read here with this verb's meaning; --json and --csv are shared too.
    return {{"resolution", "histogram: 1 (default) or 0.1 dB bins.", "DB"}};
}

ListOptions readListOptions(const QCommandLineParser& parser) {
    return {parser.value("standard"),   parser.value("criterion"),
            parser.value("exchange"),   parser.value("threshold"),
            parser.value("resolution"), parser.isSet("json"),
            parser.isSet("csv"),        {}};
}

int runListVerb(const QStringList& words, const ListOptions& options, QTextStream& out,
                QTextStream& err) {
    if (words.size() != 2) {
        return refuseUsage(err,
                           QStringLiteral("%1 takes one file: %1 FILE.dat").arg(words.value(0)));
    }
    return words[0] == QLatin1String("stats") ? runStats(words[1], options, out, err)
                                              : runHistogram(words[1], options, out, err);
}

} // namespace nd::cli
