#pragma once

#include "stored/DataFile.h"
#include "stored/LevelList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace nd::realtime {

/// The header fields of an interval average run, in the file's order.
enum AverageField {
    kJob,
    kName,
    kId,
    kStartDate,
    kStartTime,
    kInterval,
    kCriterion,
    kExchange,
    kRunTime,
    kMax,
    kPeak,
    kAverageFieldCount
};

/// The field labels, as the window shows them and the file and the listing write them.
inline const std::array<QString, kAverageFieldCount> kAverageLabels = {
    QStringLiteral("JOB"),
    QStringLiteral("Name"),
    QStringLiteral("ID"),
    QStringLiteral("Start date"),
    QStringLiteral("Start time"),
    QStringLiteral("Time Int."),
    QStringLiteral("Criterion level"),
    QStringLiteral("Exchange Rate"),
    QStringLiteral("Run Time"),
    QStringLiteral("SPL Max"),
    QStringLiteral("140 PEAK")};

inline const QString kAsteriskLine = QStringLiteral("************");
inline const QString kAverageFilter = QStringLiteral("Avg type[*.avg]|*.avg|CSV[*.csv]|*.csv");

/// An interval average run as saved: the header fields and one row per interval
/// (number, date, time "hh:mm:ss", the mean's text; empty for an interval without a
/// reading, since "----" means a blank display or a level below 70 dB).
struct AverageFile {
    std::array<QString, kAverageFieldCount> fields;
    std::vector<stored::LevelRow> rows;
};

/// A field's text with what the file cannot carry (double quotes, TABs, line ends) taken out.
QString cleanField(const QString& text);
/// True for the characters the JOB, Name and ID boxes refuse.
bool refusedFieldChar(QChar c);

/// The .avg file: every line quoted but the twelfth, CR LF line ends; header lines
/// "label: value", the asterisk line, the grid's header row and one row per interval,
/// each cell followed by a TAB.
QByteArray averageFileBytes(const AverageFile& file);

struct AverageFileRead {
    std::optional<AverageFile> content;
    stored::ReadError error;
    bool truncatedLastLine = false; ///< a last row cut short (no line end) was left out
    bool ok() const { return content.has_value(); }
};

/// Reads an .avg file. A header value is what follows its label's ": " (an empty one
/// stays empty); line 12 must be the asterisks; later lines without ":" (the grid's
/// header) are skipped, every other one must be a whole row. Refused with the line and
/// the reason otherwise, except a last line without its line end, which is left out and
/// said (truncatedLastLine): the file was cut while it was written.
AverageFileRead readAverageFile(const QByteArray& bytes);
AverageFileRead readAverageFile(const QString& path);

/// The printed listing (one copy): four blank lines, the eleven header lines, the column
/// heading and one line per row in columns of 8, 12, 14 and 12 characters.
QStringList averageListingLines(const AverageFile& file);

/// CSV (RFC 4180): the header fields as "label,value" lines, an empty line, then the rows
/// with dates in ISO form and, when `laeq` is given (the window's own averages), each
/// interval's LAeq beside the mean; the style sets the delimiter and the decimal sign.
QByteArray averageCsvBytes(const AverageFile& file,
                           const std::vector<std::optional<double>>& laeq = {},
                           const stored::CsvStyle& style = {});

} // namespace nd::realtime
