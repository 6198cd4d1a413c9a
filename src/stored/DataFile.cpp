#include "DataFile.h"

#include "Csv.h"

#include <QFile>
#include <QStringDecoder>

#include <array>

namespace nd::stored {

namespace {

const QString kNoteMark = QStringLiteral("*****");
constexpr int kNoteCount = 3;

bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n';
}

/// One field of the file as the .dat reader has always split it: blanks before it are
/// skipped; a field that starts with a double quote runs to the next one, any other to
/// the next comma; a line end ends it either way.
struct Field {
    QStringView text; ///< a view into the file's text
    int line = 0;
    bool quoted = false;
    bool lineEnded = false; ///< false only for a last line without its line end
};

class FieldReader {
public:
    explicit FieldReader(const QString& text) : m_text(text) {}

    std::optional<Field> next() {
        const qsizetype n = m_text.size();
        while (m_pos < n && m_text[m_pos] == u' ')
            ++m_pos;
        if (m_pos >= n)
            return std::nullopt;
        Field f;
        f.line = m_line;
        if (m_text[m_pos] == u'"') {
            f.quoted = true;
            const qsizetype start = ++m_pos;
            while (m_pos < n && m_text[m_pos] != u'"' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
            f.text = QStringView(m_text).mid(start, m_pos - start);
            // Whatever follows the closing quote up to the delimiter is not part of it.
            while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
            qsizetype end = m_pos;
            while (end > start && m_text[end - 1] == u' ')
                --end;
            f.text = QStringView(m_text).mid(start, end - start);
        }
        if (m_pos < n && m_text[m_pos] == u',') {
            ++m_pos;
            f.lineEnded = true; // more fields follow on this line
            return f;
        }
        f.lineEnded = endLine();
        return f;
    }

private:
    bool endLine() {
        const qsizetype n = m_text.size();
        if (m_pos >= n)
            return false;
        if (m_text[m_pos] == u'\r' && m_pos + 1 < n && m_text[m_pos + 1] == u'\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
        return true;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool isNote(QStringView field) {
    return field.size() >= 5 && field[0] == u'*' && field[4] == u'*';
}

bool isWholeNumber(QStringView text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

/// The row of a field, or why it is not one. Cells are cut from the field by hand: this
/// runs once per line of files of 86,400 lines.
std::optional<LevelRow> parseRow(QStringView line, QString& why) {
    std::array<QStringView, 4> cells;
    qsizetype from = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
        if (tab < 0) {
            if (i + 1 < cells.size()) {
                why = QStringLiteral("expected No.s, Date, Time and dBA separated by TABs");
                return std::nullopt;
            }
            tab = line.size();
        }
        cells[i] = line.mid(from, tab - from);
        from = tab + 1;
    }
    if (!isWholeNumber(cells[0])) {
        why = QStringLiteral("the number \"%1\" is not a whole number").arg(cells[0]);
        return std::nullopt;
    }
    LevelRow row =
        makeRow(cells[0].toString(), cells[1].toString(), cells[2].toString(), cells[3].toString());
    if (!row.stamp) {
        why = QStringLiteral("\"%1 %2\" is not a date and time").arg(cells[1], cells[2]);
        return std::nullopt;
    }
    return row;
}

/// A line that is not a row, cut at its TABs into the four columns (parts beyond the
/// last one stay in it). Its level is the last column's, when that is one.
LevelRow otherLine(QStringView line) {
    QStringList cells = line.toString().split(QLatin1Char('\t'));
    while (cells.size() > 1 && cells.back().isEmpty())
        cells.removeLast();
    while (cells.size() > 4)
        cells[3] += QLatin1Char('\t') + cells.takeAt(4);
    cells.resize(4);
    LevelRow row = makeRow(cells[0], cells[1], cells[2], cells[3]);
    if (row.level.kind == LevelKind::Missing)
        row.level.kind = LevelKind::NotLevel;
    return row;
}

void appendQuoted(QByteArray& out, const QString& text) {
    out.append('"').append(text.toUtf8()).append("\"\r\n");
}

} // namespace

QString ReadError::text() const {
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(why) : why;
}

QStringList DataFileContent::remarks() const {
    QStringList out;
    if (otherLines > 0)
        out << QStringLiteral("%1 not a row of a level list and %2 shown as %3; the figures "
                              "leave %4 out (the first, %5).")
                   .arg(otherLines == 1 ? QStringLiteral("1 line is")
                                        : QStringLiteral("%1 lines are").arg(otherLines),
                        otherLines == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                        otherLines == 1 ? QStringLiteral("it stands")
                                        : QStringLiteral("they stand"),
                        otherLines == 1 ? QStringLiteral("it") : QStringLiteral("them"),
                        firstOther.text());
    if (truncatedLastLine)
        out << QStringLiteral("The last line was cut short and is left out.");
    return out;
}

QString decodeFileText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

DataFileRead readDataFile(const QByteArray& bytes) {
    const QString text = decodeFileText(bytes);
    FieldReader reader(text);
    DataFileRead result;
    const auto header = reader.next();
    if (!header || !header->text.startsWith(QLatin1String("No.s"))) {
        result.error = {1, QStringLiteral("this is not a level list (the first line is not the "
                                          "No.s, Date, Time, dBA heading)")};
        return result;
    }
    DataFileContent content;
    content.flavour = header->quoted ? DataFlavour::Grid : DataFlavour::Recording;
    content.list.rows.reserve(static_cast<std::size_t>(text.size() / 32));
    int note = 0;
    while (const auto field = reader.next()) {
        if (field->text.isEmpty())
            continue;
        if (isNote(field->text)) {
            if (note < kNoteCount)
                content.list.notes[static_cast<std::size_t>(note++)] =
                    field->text.mid(5).toString();
            else
                ++content.droppedNotes;
            continue;
        }
        QString why;
        auto row = parseRow(field->text, why);
        if (!row) {
            if (!field->lineEnded && !reader.next()) {
                content.truncatedLastLine = true;
                break;
            }
            // Kept as it stands, its TAB-separated parts in the columns: the figures
            // count only the rows that carry a level, and say how many did not.
            row = otherLine(field->text);
            if (content.otherLines++ == 0)
                content.firstOther = {field->line, why};
        }
        content.list.rows.push_back(std::move(*row));
    }
    result.content = std::move(content);
    return result;
}

DataFileRead readDataFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DataFileRead result;
        result.error = {0,
                        QStringLiteral("%1 could not be opened: %2").arg(path, file.errorString())};
        return result;
    }
    return readDataFile(file.readAll());
}

QString cleanNote(const QString& note) {
    QString clean;
    clean.reserve(note.size());
    for (QChar c : note) {
        if (c != u'"' && c != u'\t' && c != u',' && c != u'\r' && c != u'\n')
            clean.append(c);
    }
    return clean;
}

QByteArray gridFileBytes(const LevelList& list) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(list.rows.size()) * 34 + 64);
    const QLatin1Char tab('\t');
    appendQuoted(out, kLevelListHeader.join(tab) + tab);
    for (const LevelRow& row : list.rows)
        appendQuoted(out, row.number + tab + row.date + tab + row.time + tab + row.value + tab);
    for (const QString& note : list.notes)
        appendQuoted(out, kNoteMark + cleanNote(note));
    return out;
}

QByteArray recordingHeaderLine() {
    return kLevelListHeader.join(QLatin1Char('\t')).toUtf8() + "\r\n";
}

QByteArray recordingLine(const LevelRow& row) {
    const QLatin1Char tab('\t');
    return (row.number + tab + row.date + tab + row.time + tab + row.value).toUtf8() + "\r\n";
}

QByteArray csvBytes(const LevelList& list, const CsvStyle& style) {
    QStringList heading;
    for (const QString& label : kLevelListHeader)
        heading << csvField(label, style);
    QByteArray out = csvLine(heading, style).toUtf8() + "\r\n";
    for (const LevelRow& row : list.rows) {
        const QString date =
            row.stamp ? stampDateTime(*row.stamp).date().toString(Qt::ISODate) : row.date;
        out.append(csvLine({csvField(row.number, style), csvValue(date, style),
                            csvValue(row.time, style), csvValue(row.value, style)},
                           style)
                       .toUtf8());
        out.append("\r\n");
    }
    return out;
}

} // namespace nd::stored
