#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace nd::events {

inline constexpr int kBankCount = 5;
/// Rows of a bank's column, below the heading row.
inline constexpr int kBankRows = 15;

/// The texts of one bank's column, rows 1 to 15 at indices 0 to 14.
using BankColumn = std::array<QString, kBankRows>;

/// Row numbers (1 to 15) of the grid.
namespace row {
inline constexpr int kUsed = 1;
inline constexpr int kCriterion = 2;
inline constexpr int kThreshold = 3;
inline constexpr int kExchangeRate = 4;
inline constexpr int kTimeWeighting = 5;
inline constexpr int kRms115 = 6;
inline constexpr int kExceed140 = 7;
inline constexpr int kStartDate = 8;
inline constexpr int kStartTime = 9;
inline constexpr int kStopTime = 10;
inline constexpr int kExposure = 11;
inline constexpr int kDose = 12;
inline constexpr int kTwa = 13;
inline constexpr int kPeakTime = 14;
inline constexpr int kPeakDuration = 15;
} // namespace row

/// The heading of row 1 to 15 ("Used or not" ... "PEAK DURATION(mm:ss)").
const QString& RowHeading(int row);
/// All fifteen headings in order.
QStringList RowHeadings();
/// The heading of bank column 1 to 5: " E1" ... " E5".
QString ColumnHeading(int bank);

/// The status byte of a bank record: the meter's status byte layout, bits 5 and 6 its
/// two flags, bit 7 set when the bank holds an event.
struct BankStatus {
    int CriterionLevel = 0;
    int ExchangeRate = 0;
    bool FastResponse = false;
    QString TimeWeightingText;
    bool Rms115 = false;
    bool Exceed140 = false;
    bool Used = false;
};
BankStatus DecodeBankStatus(int b);

/// The column texts of a bank from its 20 bytes, as the Event window shows them. Bytes
/// beyond 20 are ignored; fewer than 20 give an empty column (such a bank was not read).
BankColumn DecodeBank(const QByteArray& record);

/// A byte as two hexadecimal digits (packed BCD): 0x07 -> "07", 0xFF -> "FF".
QString BcdText(int b);
/// A byte as its last two decimal digits: 7 -> "07", 123 -> "23".
QString DecimalText(int b);
/// The dose text for a count and its scale byte, nothing for an unknown scale.
std::optional<QString> DoseText(int count, int scale);
/// The TWA text for a dose text; empty when the dose is 0.
QString TwaText(const QString& doseText, int criterionLevel, int exchangeRate);

/// Row 1 of a bank that was not read because the meter is recording into it.
BankColumn MarkedColumn(const QString& word);
/// Row 1 of a bank whose 20 reads did not all succeed.
BankColumn UnreadableColumn();
inline const QString kUnreadable = QStringLiteral(" Unreadable");

} // namespace nd::events
