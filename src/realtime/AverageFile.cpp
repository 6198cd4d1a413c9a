#include "AverageFile.h"

#include "stored/Csv.h"
#include "stored/DataFile.h"

#include <QFile>
#include <QStringDecoder>

namespace nd::realtime {

namespace {

const QString kRowHeader = QStringLiteral("No.s\tDate\tTime\tdBA\t");

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

bool isQuoted(const QString& line) {
    return line.size() >= 2 && line.front() == u'"' && line.back() == u'"';
}

bool allDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString padded(const QString& text, int width) {
    return text.leftJustified(width, QLatin1Char(' '), false);
}

AverageFileRead refuse(int line, const QString& why) {
    AverageFileRead r;
    r.error = {line, why};
    return r;
}

} // namespace

bool refusedFieldChar(QChar c) {
    return c == u'"' || c == u'\t' || c == u'\r' || c == u'\n';
}

QString cleanField(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!refusedFieldChar(c))
            out += c;
    }
    return out;
}

QByteArray averageFileBytes(const AverageFile& file) {
    QString text;
    auto quoted = [&text](const QString& line) {
        text += QLatin1Char('"') + line + QLatin1String("\"\r\n");
    };
    for (int i = 0; i < kAverageFieldCount; ++i)
        quoted(kAverageLabels[i] + QLatin1String(": ") + cleanField(file.fields[i]));
    text += kAsteriskLine + QLatin1String("\r\n");
    quoted(kRowHeader);
    for (const stored::LevelRow& row : file.rows) {
        QString line;
        for (const QString& cell : row.cells())
            line += cleanField(cell) + QLatin1Char('\t');
        quoted(line);
    }
    return text.toUtf8();
}

namespace {

/// Why a line after the asterisks is not a row (empty when it is one, or the grid's
/// header, which leaves `row` empty).
QString rowProblem(const QString& line, std::optional<stored::LevelRow>& row) {
    if (!isQuoted(line))
        return QStringLiteral("a row must be written between double quotes");
    if (!line.contains(QLatin1Char(':')))
        return {}; // the grid's header row
    QStringList cells = line.mid(1, line.size() - 2).split(QLatin1Char('\t'));
    const bool closed = cells.size() == 5 && cells.back().isEmpty();
    if (closed)
        cells.removeLast();
    // An empty level only with the row's closing TAB: "1 date time<TAB>" lacks a cell.
    const bool lacksLevel = cells.size() == 4 && cells[3].isEmpty() && !closed;
    if (cells.size() != 4 || lacksLevel)
        return QStringLiteral("a row must hold four cells (number, date, time, dBA), not %1")
            .arg(lacksLevel ? 3 : cells.size());
    stored::LevelRow r = stored::makeRow(cells[0], cells[1], cells[2], cells[3]);
    if (!allDigits(r.number))
        return QStringLiteral("\"%1\" is not a row number").arg(r.number);
    if (!r.stamp || r.time.size() != 8)
        return QStringLiteral("\"%1 %2\" is not a date (yyyy/mm/dd) and a time (hh:mm:ss)")
            .arg(r.date, r.time);
    // An empty level is an interval without a reading.
    if (!r.level.isSound() && r.level.kind != stored::LevelKind::Missing)
        return QStringLiteral("\"%1\" is not a level").arg(r.value);
    row = std::move(r);
    return {};
}

} // namespace

AverageFileRead readAverageFile(const QByteArray& bytes) {
    const QStringList lines = splitLines(stored::decodeFileText(bytes));
    AverageFile file;
    for (int i = 0; i < kAverageFieldCount; ++i) {
        const int number = i + 1;
        if (i >= lines.size())
            return refuse(number, QStringLiteral("the file ends inside its header; this is not "
                                                 "an interval average file"));
        const QString& line = lines[i];
        const QString label = kAverageLabels[i] + QLatin1Char(':');
        if (!isQuoted(line) || !line.mid(1).startsWith(label))
            return refuse(number, QStringLiteral("\"%1\" was expected here; this is not an "
                                                 "interval average file")
                                      .arg(kAverageLabels[i]));
        // Exactly the ": " the writer puts after the label comes off, so a file saved
        // again is the same file.
        QString value = line.mid(1 + label.size(), line.size() - 2 - label.size());
        if (value.startsWith(QLatin1Char(' ')))
            value.remove(0, 1);
        file.fields[i] = value;
    }
    if (lines.size() <= kAverageFieldCount || lines[kAverageFieldCount] != kAsteriskLine)
        return refuse(kAverageFieldCount + 1,
                      QStringLiteral("this line should be twelve asterisks; this is not an "
                                     "interval average file"));
    // A file whose last line has no line end was cut short (a crash while writing): its
    // whole rows are kept and the cut one is left out, and said.
    const bool cut = !bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r');
    bool truncated = false;
    for (int i = kAverageFieldCount + 1; i < lines.size(); ++i) {
        const int number = i + 1;
        const QString& line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        std::optional<stored::LevelRow> row;
        const QString why = rowProblem(line, row);
        if (!why.isEmpty()) {
            if (cut && i == lines.size() - 1) {
                truncated = true;
                break;
            }
            return refuse(number, why);
        }
        if (row)
            file.rows.push_back(std::move(*row));
    }
    AverageFileRead result;
    result.content = std::move(file);
    result.truncatedLastLine = truncated;
    return result;
}

AverageFileRead readAverageFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(0,
                      QStringLiteral("%1 could not be opened: %2").arg(path, file.errorString()));
    return readAverageFile(file.readAll());
}

QStringList averageListingLines(const AverageFile& file) {
    const QString lead = QLatin1Char('-') + QString(20, QLatin1Char(' '));
    QStringList lines(4, QStringLiteral(" "));
    for (int i = 0; i < kAverageFieldCount; ++i)
        lines << lead + kAverageLabels[i] + QLatin1String(": ") + file.fields[i];
    lines << lead + QStringLiteral("            Date      Time         dBA");
    lines << lead + QStringLiteral("        ----------  --------      -----");
    for (const stored::LevelRow& row : file.rows) {
        lines << lead + padded(row.number, 8) + padded(row.date, 12) + padded(row.time, 14) +
                     padded(row.value, 12);
    }
    return lines;
}

QByteArray averageCsvBytes(const AverageFile& file, const std::vector<std::optional<double>>& laeq,
                           const stored::CsvStyle& style) {
    QStringList out;
    for (int i = 0; i < kAverageFieldCount; ++i)
        out << csvLine({csvField(kAverageLabels[i], style), csvValue(file.fields[i], style)},
                       style);
    out << QString();
    // A file read back holds no LAeq, so its CSV has no such column.
    const bool withLaeq = !laeq.empty();
    out << csvLine(withLaeq ? QStringList{"No.s", "Date", "Time", "dBA", "LAeq"}
                            : QStringList{"No.s", "Date", "Time", "dBA"},
                   style);
    for (std::size_t r = 0; r < file.rows.size(); ++r) {
        const stored::LevelRow& row = file.rows[r];
        const QString date =
            row.stamp ? stored::stampDateTime(*row.stamp).date().toString(Qt::ISODate) : row.date;
        QStringList fields{csvField(row.number, style), csvValue(date, style),
                           csvValue(row.time, style), csvValue(row.value, style)};
        if (withLaeq) {
            const std::optional<double> energyMean = r < laeq.size() ? laeq[r] : std::nullopt;
            fields << (energyMean ? csvValue(QString::number(*energyMean, 'f', 1), style)
                                  : QString());
        }
        out << csvLine(fields, style);
    }
    return (out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace nd::realtime
