#include "LoggedMemory.h"

#include "link/MemoryMap.h"

#include <algorithm>
#include <cmath>

namespace nd::stored {

namespace mem = link::memory;

namespace {

int byteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<unsigned char>(bytes.at(i));
}

bool isBcd(int b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

int bcdValue(int b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

QString hex2(int b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

QString two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

/// The header of a set: its values when the start is a real date and time, and in
/// `problem` what cannot be right (an interval of 0 still gives a header).
std::optional<SetHeader> decodeHeader(const QByteArray& set, QString& problem) {
    for (int i = 0; i < 6; ++i) {
        if (!isBcd(byteAt(set, i))) {
            problem = QStringLiteral("its header holds a digit that is not decimal (0x%1)")
                          .arg(hex2(byteAt(set, i)));
            return std::nullopt;
        }
    }
    SetHeader h;
    h.year = 2000 + bcdValue(byteAt(set, 0));
    h.month = bcdValue(byteAt(set, 1));
    h.day = bcdValue(byteAt(set, 2));
    h.hour = bcdValue(byteAt(set, 3));
    h.minute = bcdValue(byteAt(set, 4));
    h.second = bcdValue(byteAt(set, 5));
    h.intervalTenths = byteAt(set, 6) + 256 * byteAt(set, 7);
    if (h.month < 1 || h.month > 12) {
        problem = QStringLiteral("its header has an impossible month (%1)").arg(h.month);
        return std::nullopt;
    }
    if (h.day < 1 || h.day > QDate(h.year, h.month, 1).daysInMonth()) {
        problem = QStringLiteral("its header has an impossible day (%1/%2)")
                      .arg(two(h.month), two(h.day));
        return std::nullopt;
    }
    if (h.hour > 23 || h.minute > 59 || h.second > 59) {
        problem = QStringLiteral("its header has an impossible time (%1:%2:%3)")
                      .arg(two(h.hour), two(h.minute), two(h.second));
        return std::nullopt;
    }
    if (h.intervalTenths == 0)
        problem = QStringLiteral("its header gives an interval of 0 (every record is "
                                 "stamped with the start time)");
    return h;
}

LoggedSet cutSet(const QByteArray& cells, int number, int dataEnd) {
    LoggedSet set;
    set.number = number;
    const int pointer = mem::setPointerLow(number);
    if (pointer + 3 >= cells.size()) {
        set.damage = QStringLiteral("its pointers lie outside the dump");
        return set;
    }
    set.start = mem::word(byteAt(cells, pointer + 1), byteAt(cells, pointer));
    set.end = mem::word(byteAt(cells, pointer + 3), byteAt(cells, pointer + 2));
    const auto available = static_cast<int>(std::min<qsizetype>(cells.size(), dataEnd));
    if (set.start < kDataAreaStart || set.start > set.end || set.end > available) {
        set.damage = QStringLiteral("its pointers do not fit the memory (start %1, end %2, "
                                    "data end %3)")
                         .arg(set.start)
                         .arg(set.end)
                         .arg(available);
        return set;
    }
    if (set.end - set.start < kSetHeaderSize) {
        set.damage =
            QStringLiteral("it is too short to hold a header (%1 bytes)").arg(set.end - set.start);
        return set;
    }
    set.bytes = cells.mid(set.start, set.end - set.start);
    set.header = decodeHeader(set.bytes, set.headerProblem);
    if (!set.header && !set.headerProblem.isEmpty())
        set.headerProblem += QStringLiteral("; its records are listed without times");
    // The header as the meter holds it, digit for digit, even when it cannot be right.
    auto digits = [&set](int i) { return hex2(byteAt(set.bytes, i)); };
    set.dateText = QStringLiteral("20%1/%2/%3").arg(digits(0), digits(1), digits(2));
    set.timeText = QStringLiteral("%1:%2:%3").arg(digits(3), digits(4), digits(5));
    set.intervalText = intervalText(byteAt(set.bytes, 6) + 256 * byteAt(set.bytes, 7));
    // The meter's own count leaves room for one byte after the last record; a set that
    // does not fit that layout lists (and shows the count of) its whole records.
    const double count = std::max(0.0, (set.bytes.size() - 9) / 3.0);
    set.recordCount = static_cast<int>(std::floor(count));
    set.recordsText = QString::number(set.recordCount);
    return set;
}

} // namespace

StampTenths SetHeader::start() const {
    return makeStamp(QDate(year, month, day), ((hour * 60 + minute) * 60 + second) * 10);
}

StampTenths SetHeader::recordStamp(std::int64_t k) const {
    return start() + k * intervalTenths;
}

QString LoggedMemory::remainingText() const {
    if (memoryFull)
        return QStringLiteral("0");
    if (setCount == 0)
        return QStringLiteral("32 K");
    const double tenthsOfK =
        std::floor(static_cast<double>(kDataAreaEnd - dataEnd) / 1024.0 * 10.0);
    return QLatin1Char(' ') + QString::number(std::max(0.0, tenthsOfK) / 10.0, 'g', 15) +
           QStringLiteral(" K");
}

QString LoggedMemory::intervalSecondsText() const {
    return QLatin1Char(' ') + QString::number(intervalTenths / 10.0, 'g', 15);
}

std::optional<QString> pointerTableProblem(int setCount, int dataEnd) {
    const QString lead = QStringLiteral("The meter's pointer table cannot be right: ");
    if (setCount < 0 || setCount > kMaxSetCount)
        return lead + QStringLiteral("it gives %1 data sets, and the table holds at most %2.")
                          .arg(setCount)
                          .arg(kMaxSetCount);
    if (setCount > 0 && (dataEnd <= kDataAreaStart || dataEnd > kDataAreaEnd))
        return lead + QStringLiteral("it puts the end of %1 data sets at cell %2, outside the "
                                     "data area (%3 to %4). Nothing was downloaded.")
                          .arg(setCount)
                          .arg(dataEnd)
                          .arg(kDataAreaStart)
                          .arg(kDataAreaEnd);
    return std::nullopt;
}

LoggedMemory decodeLoggedMemory(const QByteArray& cells, int setCount, int dataEnd) {
    LoggedMemory m;
    m.setCount = setCount;
    m.dataEnd = dataEnd;
    if (cells.size() < dataEnd)
        m.problem = QStringLiteral("The dump holds %1 of the %2 bytes the meter announced.")
                        .arg(cells.size())
                        .arg(dataEnd);
    auto cell = [&cells](int address) {
        return address < cells.size() ? byteAt(cells, address) : 0;
    };
    m.idCode = mem::word(cell(mem::kIdCodeHigh), cell(mem::kIdCodeLow));
    m.intervalTenths = mem::word(cell(mem::kLogIntervalHigh), cell(mem::kLogIntervalLow));
    m.memoryFull = (cell(mem::kMemoryState) & mem::kMemoryFullBit) != 0;
    m.sets.reserve(static_cast<std::size_t>(std::max(0, setCount)));
    for (int i = 1; i <= setCount; ++i)
        m.sets.push_back(cutSet(cells, i, dataEnd));
    return m;
}

QString recordLevelText(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    if (b2 & kOverloadBit)
        return QStringLiteral("OL");
    // A digit that is not decimal would print letters as a level; the meter blanks its
    // display for those, and so does the list.
    if (!isBcd(b0) || !isBcd(b1))
        return QStringLiteral("----");
    const QString d = hex2(b1) + hex2(b0);
    QString text = d.left(3) + QLatin1Char('.') + d.right(1);
    if (text.startsWith(QLatin1Char('0')) && text.at(1) != QLatin1Char('.'))
        text.remove(0, 1);
    if (bcdValue(b1) * 100 + bcdValue(b0) < 700) // below 70.0 dB
        return QStringLiteral("----");
    return text;
}

QString intervalText(int tenths) {
    const QString s = QString::number(tenths);
    if (s.size() == 1)
        return QStringLiteral("0.") + s;
    return s.left(s.size() - 1) + QLatin1Char('.') + s.right(1);
}

QString setFileName(const LoggedSet& set) {
    QString date = set.dateText;
    QString time = set.timeText;
    return QStringLiteral("set%1_%2_%3.dat")
        .arg(set.number, 3, 10, QLatin1Char('0'))
        .arg(date.replace(QLatin1Char('/'), QLatin1Char('-')),
             time.replace(QLatin1Char(':'), QLatin1Char('-')));
}

LevelList setForFile(const LoggedMemory& memory, const LoggedSet& set) {
    LevelList list = listSet(set);
    list.notes[0] = QStringLiteral("ID code %1; set %2 of %3")
                        .arg(memory.idCode)
                        .arg(set.number)
                        .arg(memory.setCount);
    if (!set.headerProblem.isEmpty())
        list.notes[1] = QStringLiteral("Header problem: ") + set.headerProblem;
    return list;
}

LevelList listSet(const LoggedSet& set) {
    LevelList list;
    if (set.damaged())
        return list;
    list.rows.reserve(static_cast<std::size_t>(set.recordCount));
    for (int k = 1; k <= set.recordCount; ++k) {
        const qsizetype at = kSetHeaderSize + static_cast<qsizetype>(kRecordSize) * (k - 1);
        LevelRow row;
        row.number = QString::number(k);
        if (set.header) {
            const StampTenths stamp = set.header->recordStamp(k);
            row.date = stampDateText(stamp);
            row.time = stampTimeText(stamp);
            row.stamp = stamp;
        }
        row.value = recordLevelText(static_cast<std::uint8_t>(set.bytes.at(at)),
                                    static_cast<std::uint8_t>(set.bytes.at(at + 1)),
                                    static_cast<std::uint8_t>(set.bytes.at(at + 2)));
        row.level = parseLevel(row.value);
        list.rows.push_back(std::move(row));
    }
    return list;
}

} // namespace nd::stored
