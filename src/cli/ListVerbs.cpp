#include "ListVerbs.h"

#include "CliRunner.h"
#include "stored/DataFile.h"
#include "stored/Exposure.h"
#include "stored/HistogramCounts.h"

#include <QCommandLineParser>

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

std::optional<stored::Standard> chosenStandard(const ListOptions& o, QString& why) {
    const QString key = o.standard.isEmpty() ? QStringLiteral("osha-pel") : o.standard;
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
        err << path << ": " << read.error.text() << "\n";
        return std::nullopt;
    }
    if (read.content->truncatedLastLine)
        err << path << ": the last line was cut short and is left out\n";
    return std::move(read.content->list);
}

int runStats(const QString& path, const ListOptions& o, QTextStream& out, QTextStream& err) {
    QString why;
    const auto standard = chosenStandard(o, why);
    if (!standard) {
        err << "noisedesk-cli: " << why << "\n";
        return kUsage;
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

int runHistogram(const QString& path, const ListOptions& o, QTextStream& out, QTextStream& err) {
    stored::Resolution resolution = stored::Resolution::OneDb;
    if (o.resolution == QLatin1String("0.1")) {
        resolution = stored::Resolution::TenthDb;
    } else if (!o.resolution.isEmpty() && o.resolution != QLatin1String("1")) {
        err << "noisedesk-cli: --resolution takes 1 or 0.1\n";
        return kUsage;
    }
    const auto list = readList(path, err);
    if (!list)
        return kFileFailed;
    const stored::HistogramCounts counts = stored::countLevels(*list, resolution);
    out << QString::fromLatin1(stored::histogramText(counts, o.csv));
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
    return {parser.value("standard"),  parser.value("criterion"),  parser.value("exchange"),
            parser.value("threshold"), parser.value("resolution"), parser.isSet("json"),
            parser.isSet("csv")};
}

int runListVerb(const QStringList& words, const ListOptions& options, QTextStream& out,
                QTextStream& err) {
    if (words.size() != 2) {
        err << "noisedesk-cli: " << words.value(0) << " takes one file: " << words.value(0)
            << " FILE.dat\n";
        return kUsage;
    }
    return words[0] == QLatin1String("stats") ? runStats(words[1], options, out, err)
                                              : runHistogram(words[1], options, out, err);
}

} // namespace nd::cli
