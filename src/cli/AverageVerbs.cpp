#include "AverageVerbs.h"

#include "CliRunner.h"
#include "realtime/AverageFile.h"
#include "realtime/IntervalAverager.h"
#include "realtime/IntervalInput.h"
#include "stored/DataFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTime>

#include <cmath>

namespace nd::cli {

namespace {

QString endText(stored::StampTenths stamp) {
    return stored::stampDateText(stamp) + QLatin1Char(' ') + stored::stampTimeText(stamp).left(8);
}

QJsonValue laeqJson(const realtime::IntervalAverage& a) {
    const auto laeq = a.laeq();
    if (!laeq)
        return QJsonValue::Null;
    return std::round(*laeq * 10.0) / 10.0;
}

/// The mean as a number; null for an interval whose display text is no level ("----").
QJsonValue meanJson(const realtime::IntervalAverage& a) {
    bool number = false;
    const double mean = a.meanText().toDouble(&number);
    if (!number)
        return QJsonValue::Null;
    return mean;
}

/// Why a recording gave no average: it is shorter than one interval (or holds no time).
QString shortRecordingText(const stored::LevelList& list,
                           const realtime::AverageInterval& interval) {
    std::optional<stored::StampTenths> first;
    std::optional<stored::StampTenths> last;
    for (const stored::LevelRow& row : list.rows) {
        if (!row.stamp)
            continue;
        if (!first)
            first = row.stamp;
        last = row.stamp;
    }
    if (!first)
        return QStringLiteral("no average: the file holds no time-stamped row");
    const long long seconds = (*last - *first) / 10;
    return QStringLiteral("no average: the recording spans %1, less than one interval of %2")
        .arg(QTime(0, 0)
                 .addSecs(static_cast<int>(seconds % 86400))
                 .toString(QStringLiteral("hh:mm:ss")),
             interval.text);
}

/// The .avg file of a recording's averages: the start, interval, run time, maximum and
/// over-range flag from the recording, the user fields from --job, --name and --id; the
/// meter's settings are not in a .dat file and stay empty.
realtime::AverageFile averageFileOf(const realtime::ListAverages& averages,
                                    const realtime::AverageInterval& interval,
                                    const AverageOptions& o) {
    realtime::AverageFile file;
    file.fields[realtime::kJob] = o.job;
    file.fields[realtime::kName] = o.name;
    file.fields[realtime::kId] = o.id;
    if (averages.start) {
        file.fields[realtime::kStartDate] = stored::stampDateText(*averages.start);
        file.fields[realtime::kStartTime] = stored::stampTimeText(*averages.start).left(8);
    }
    file.fields[realtime::kInterval] = interval.text;
    file.fields[realtime::kRunTime] =
        realtime::runTimeText(static_cast<long long>(averages.intervals.size()), interval.seconds);
    file.fields[realtime::kMax] = averages.maximum.text();
    file.fields[realtime::kPeak] =
        averages.overloadSeen ? QStringLiteral("Yes") : QStringLiteral("No");
    int number = 0;
    for (const realtime::IntervalAverage& a : averages.intervals) {
        file.rows.push_back(stored::makeRow(QString::number(++number), stored::stampDateText(a.end),
                                            stored::stampTimeText(a.end).left(8), a.meanText()));
    }
    return file;
}

int runAverage(const QStringList& words, const AverageOptions& o, QTextStream& out,
               QTextStream& err) {
    if (words.size() != 2 || o.interval.isEmpty())
        return refuseUsage(err, "usage: average FILE.dat --interval HH:MM:SS [--json] "
                                "[--out FILE.avg [--job TEXT] [--name TEXT] [--id TEXT]]");
    const auto interval = realtime::parseIntervalAnswer(o.interval);
    if (!interval)
        return refuseUsage(err, "--interval takes hh:mm:ss, from 00:00:01 to 23:59:59");
    const bool userFields = !o.job.isEmpty() || !o.name.isEmpty() || !o.id.isEmpty();
    if (userFields && o.out.isEmpty())
        return refuseUsage(err, "--job, --name and --id are written by --out FILE.avg");
    static const QRegularExpression lineBreakers(QStringLiteral("[\"\\t\\r\\n]"));
    if ((o.job + o.name + o.id).contains(lineBreakers))
        return refuseUsage(err, "--job, --name and --id cannot hold double quotes, TABs or "
                                "line ends");
    const stored::DataFileRead read = stored::readDataFile(words[1]);
    if (!read.ok()) {
        err << fileProblem(words[1], read.error.text()) << "\n";
        return kFileFailed;
    }
    for (const QString& remark : read.content->remarks())
        err << words[1] << ": " << remark << "\n";
    const realtime::ListAverages averages =
        realtime::averageList(read.content->list, interval->seconds);
    if (averages.intervals.empty())
        err << shortRecordingText(read.content->list, *interval) << "\n";
    for (const realtime::ClockStep& step : averages.clockSteps) {
        err << words[1] << ": the clock steps back at row " << step.row << " ("
            << endText(step.before) << " is followed by " << endText(step.after)
            << "); the rows are averaged in their order across the step\n";
    }
    if (averages.clamped > 0) {
        err << averages.clamped << " readings were counted at a bound (OL as 140.0 dB, ---- as "
            << "70.0 dB)\n";
    }
    if (o.json) {
        QJsonArray list;
        for (const realtime::IntervalAverage& a : averages.intervals) {
            list.append(QJsonObject{{"end", endText(a.end)},
                                    {"mean", meanJson(a)},
                                    {"mean_text", a.meanText()},
                                    {"laeq", laeqJson(a)},
                                    {"samples", a.samples}});
        }
        out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented));
    } else {
        out << "No.s\tEnd\tdBA\tLAeq\tSamples\n";
        int number = 0;
        for (const realtime::IntervalAverage& a : averages.intervals) {
            const auto laeq = a.laeq();
            out << ++number << "\t" << endText(a.end) << "\t" << a.meanText() << "\t"
                << (laeq ? QString::number(*laeq, 'f', 1) : QString()) << "\t" << a.samples << "\n";
        }
    }
    if (!o.out.isEmpty()) {
        const QString path = withAvgSuffix(o.out);
        const QByteArray bytes = realtime::averageFileBytes(averageFileOf(averages, *interval, o));
        if (const auto why = stored::saveBytes(path, bytes)) {
            err << "could not write " << path << ": " << *why << "\n";
            return kFileFailed;
        }
    }
    return kOk;
}

int runExportAverage(const QString& path, const AverageOptions& o, QTextStream& out,
                     QTextStream& err) {
    const realtime::AverageFileRead read = realtime::readAverageFile(path);
    if (!read.ok()) {
        err << fileProblem(path, read.error.text()) << "\n";
        return kFileFailed;
    }
    if (read.truncatedLastLine)
        err << path << ": the last line was cut short and is left out\n";
    if (o.csv) {
        out << QString::fromUtf8(realtime::averageCsvBytes(*read.content, {}, o.csvStyle));
    } else {
        for (const QString& line : realtime::averageListingLines(*read.content))
            out << line << "\n";
    }
    return kOk;
}

} // namespace

QString withAvgSuffix(const QString& path) {
    if (path.endsWith(QLatin1String(".avg"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".avg");
}

bool isAverageCommand(const QStringList& words) {
    const QString verb = words.value(0);
    return verb == QLatin1String("average") ||
           (verb == QLatin1String("export") && words.size() == 2 &&
            words[1].endsWith(QLatin1String(".avg"), Qt::CaseInsensitive));
}

int runAverageCommand(const QStringList& words, const AverageOptions& options, QTextStream& out,
                      QTextStream& err) {
    if (words.value(0) == QLatin1String("export"))
        return runExportAverage(words[1], options, out, err);
    return runAverage(words, options, out, err);
}

} // namespace nd::cli
