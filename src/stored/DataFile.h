#pragma once

#include "Csv.h"
#include "LevelList.h"
#include "SaveFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace nd::stored {

/// The two flavours of the .dat file. Both start with the No.s/Date/Time/dBA header.
enum class DataFlavour {
    Grid,      ///< every line quoted, cells each followed by a TAB, three "*****" notes
    Recording, ///< unquoted TAB-separated lines, no notes
};

/// Why a file could not be read: the line (from 1; 0 for the file as a whole) and why.
struct ReadError {
    int line = 0;
    QString why;

    QString text() const;
};

struct DataFileContent {
    LevelList list;
    DataFlavour flavour = DataFlavour::Grid;
    int droppedNotes = 0;           ///< note lines after the third, which are not kept
    bool truncatedLastLine = false; ///< a last line cut short (a recording killed mid-line)
    int otherLines = 0;             ///< lines kept as they are that are not rows
    ReadError firstOther;           ///< the first of them and why it is not a row

    /// What the reader has to say beyond the rows ("3 lines are not rows of a level
    /// list; the first, line 7: ..."), empty when nothing.
    QStringList remarks() const;
};

/// What a reader gives: the content, or the error (never both).
struct DataFileRead {
    std::optional<DataFileContent> content;
    ReadError error;

    bool ok() const { return content.has_value(); }
};

/// Reads a .dat file of either flavour. Lines may end in CR LF, LF or CR. Rows hold a
/// number, a date "yyyy/mm/dd" and a time "hh:mm:ss.t"; gaps in the numbering and the
/// times are accepted (a recording writes no line for a sample it did not get). The value
/// is kept as written, with its parsed level. A line that is no such row is kept as it
/// stands and counted. A last line without its line end that is not a whole row is
/// dropped and reported, so a recording cut short stays readable. Only a file whose
/// first line is not the heading is refused.
DataFileRead readDataFile(const QByteArray& bytes);
/// Reads a file from disk; a file that cannot be opened is an error of line 0.
DataFileRead readDataFile(const QString& path);

/// Flavour A of a list: quoted header, rows and the three notes. Quotes, line ends,
/// TABs and commas in notes, which the file cannot carry, are left out.
QByteArray gridFileBytes(const LevelList& list);
/// Flavour B: the header line, and one line per row.
QByteArray recordingHeaderLine();
QByteArray recordingLine(const LevelRow& row);

/// CSV for spreadsheets (RFC 4180: CR LF, quoted where needed): a header row, then one
/// row per level with the date in ISO form ("2009-03-16"). Notes are not part of it.
/// The style sets the delimiter and the decimal sign.
QByteArray csvBytes(const LevelList& list, const CsvStyle& style = {});

/// A file's text: UTF-8 as our files are written, Latin-1 for files from an 8-bit code page.
QString decodeFileText(const QByteArray& bytes);

/// A note box's text with the characters the file cannot carry removed.
QString cleanNote(const QString& note);

} // namespace nd::stored
