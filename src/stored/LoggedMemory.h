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

/// One data set cut out of the dump. A damaged set keeps its number and says why; its
/// records are not listed.
struct LoggedSet {
    int number = 0; ///< from 1
    int start = 0;  ///< first cell
    int end = 0;    ///< one past the last cell
    QByteArray bytes;
    std::optional<SetHeader> header;
    QString damage; ///< empty for a sound set

    // The texts of the set's row in the list of sets.
    QString dateText;     ///< "2009/03/15"
    QString timeText;     ///< "23:59:55"
    QString intervalText; ///< "10.0"
    QString recordsText;  ///< (length - 9) / 3 as the meter's own count, "100"
    int recordCount = 0;  ///< whole records that can be listed

    bool damaged() const { return !damage.isEmpty(); }
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

/// Decodes a dump. `cells` holds the memory from cell 0 up (the dump without its lead
/// byte); `setCount` and `dataEnd` are what the meter said before the dump. Nothing is
/// read outside `cells`: sets whose pointers do not fit are listed as damaged.
LoggedMemory decodeLoggedMemory(const QByteArray& cells, int setCount, int dataEnd);

/// The level text of a record: "OL" for an overload, "----" below 70 dB, else the four
/// BCD digits with a point before the last and one leading zero dropped ("85.7", "105.3").
QString recordLevelText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);

/// Tenths of a second as the meter's interval text: 5 gives "0.5", 123 gives "12.3".
QString intervalText(int tenths);

/// The records of a sound set as a level list (empty for a damaged set).
LevelList listSet(const LoggedSet& set);

} // namespace nd::stored
