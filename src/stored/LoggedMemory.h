#pragma once

#include "LevelList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace nd::stored {

/// The header of a data set: start date and time and the logging interval.
struct SetHeader {
    int year = 2000; ///< the meter stores two digits; sets are in the 2000s
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int intervalTenths = 0;

    StampTenths start() const;
    /// Record k (from 1) is taken k intervals after the start.
    StampTenths recordStamp(std::int64_t k) const;
};

/// One data set cut out of the dump. A damaged set (pointers that do not fit) keeps its
/// number and says why; its records are not listed. A set whose header cannot be right
/// (month 13, an interval of 0) keeps its records and says what is wrong with the header.
struct LoggedSet {
    int number = 0; ///< from 1
    int start = 0;  ///< first cell
    int end = 0;    ///< one past the last cell
    QByteArray bytes;
    /// The header, when its date and time are real (then the records get times).
    std::optional<SetHeader> header;
    QString damage;        ///< empty for a set whose records can be read
    QString headerProblem; ///< empty for a sound header

    // The texts of the set's row in the list of sets.
    QString dateText;     ///< "2009/03/15"
    QString timeText;     ///< "23:59:55"
    QString intervalText; ///< "10.0"
    QString recordsText;  ///< the whole records, "100" (a set 2 bytes longer too)
    int recordCount = 0;  ///< whole records that can be listed

    bool damaged() const { return !damage.isEmpty(); }
    /// Damaged, or listed with a header problem: either way not a clean set.
    bool troubled() const { return damaged() || !headerProblem.isEmpty(); }
};

/// The meter's logged memory, decoded from a dump.
struct LoggedMemory {
    int setCount = 0;
    int dataEnd = 0; ///< first free cell, as read from the pointer table before the dump
    int idCode = 0;
    int intervalTenths = 0;
    bool memoryFull = false;
    std::vector<LoggedSet> sets;
    QString problem; ///< a fault of the dump as a whole (short image), empty when none

    /// "32 K", "0", or " 29.4 K" (leading blank), never below 0.
    QString memoryText() const { return QStringLiteral("32 K"); }
    QString remainingText() const;
    QString idCodeText() const { return QString::number(idCode); }
    /// The logging interval in seconds with a leading blank: " 1", " 12.5".
    QString intervalSecondsText() const;
};

/// Cells of the data area, and the memory total shown as "32 K".
inline constexpr int kDataAreaStart = 768;
inline constexpr int kDataAreaEnd = 31232;
/// Bytes of a set header (date, time, interval) before the first record.
inline constexpr int kSetHeaderSize = 8;
inline constexpr int kRecordSize = 3;
inline constexpr int kOverloadBit = 0x40;

/// The pointer table holds a word per set and the end word below the data area.
inline constexpr int kMaxSetCount = (kDataAreaStart - 512) / 2 - 1;

/// What is wrong with the set count and end of data the meter gave before a dump (a
/// count the pointer table cannot hold, an end outside the data area), or nothing.
std::optional<QString> pointerTableProblem(int setCount, int dataEnd);

/// Decodes a dump. `cells` holds the memory from cell 0 up (the dump without its lead
/// byte); `setCount` and `dataEnd` are what the meter said before the dump. Nothing is
/// read outside `cells`: sets whose pointers do not fit are listed as damaged.
LoggedMemory decodeLoggedMemory(const QByteArray& cells, int setCount, int dataEnd);

/// The level text of a record: "OL" for an overload, "----" below 70 dB, else the four
/// BCD digits with a point before the last and one leading zero dropped ("85.7", "105.3").
QString recordLevelText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);

/// Tenths of a second as the meter's interval text: 5 gives "0.5", 123 gives "12.3".
QString intervalText(int tenths);

/// The file a set is saved to by "Save all" and `noisedesk-cli download`:
/// "set001_2009-03-15_23-59-55.dat".
QString setFileName(const LoggedSet& set);
/// A set as it goes into its file: the records, the ID code and the set's place as the
/// first note, and a header problem, when there is one, as the second.
LevelList setForFile(const LoggedMemory& memory, const LoggedSet& set);

/// The records of a set as a level list (empty for a damaged set). Without a real start
/// date and time in the header the rows have no date and time.
LevelList listSet(const LoggedSet& set);

} // namespace nd::stored
