#pragma once

#include "BankDecoding.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace nd::events {

/// The Event window's contents: the five bank columns and the three boxes.
struct BankTable {
    std::array<BankColumn, kBankCount> Banks; ///< Banks[0] is E1
    QString Name;
    QString Address;
    QString Company;

    /// Row 1 to 15 of bank 1 to 5.
    QString& cell(int row, int bank) {
        return Banks.at(static_cast<std::size_t>(bank - 1)).at(static_cast<std::size_t>(row - 1));
    }
    const QString& cell(int row, int bank) const {
        return Banks.at(static_cast<std::size_t>(bank - 1)).at(static_cast<std::size_t>(row - 1));
    }
    bool operator==(const BankTable&) const = default;
};

/// The two layouts of a .bnk file. Menu: 15 rows of five cells, empty ones as "----",
/// then "NAME: ", "ADDRESS: ", "COMPANY: ". Toolbar: the heading row and 15 rows, each
/// with its heading, empty cells as one blank, then "Name: ", "Address: ", "Company: ".
enum class BankLayout { Menu, Toolbar };

/// The table as a file of the layout writes it: empty cells become the layout's filler.
/// The window shows the filled table after saving, as the file holds it.
BankTable FillEmptyCells(BankTable table, BankLayout layout);
/// The file's bytes: lines ending in CR LF, one byte per character (UTF-8 only when a
/// box holds a character beyond Latin-1).
QByteArray BankFileBytes(const BankTable& table, BankLayout layout);
/// Writes through a QSaveFile; the error text, or nothing when written.
std::optional<QString> SaveBankFile(const QString& path, const BankTable& table, BankLayout layout);

struct BankFileRead {
    std::optional<BankTable> table; ///< set only when the whole file checked out
    BankLayout layout = BankLayout::Menu;
    QString error;   ///< which line and why, when table is empty
    QString leftOut; ///< what a file cut short lacked, when the table was kept without it
};
/// Parses either layout into a new table, checking every line.
BankFileRead ParseBankFile(const QByteArray& bytes);
/// Reads and parses a file; a file too large to be a bank file is refused unread.
BankFileRead OpenBankFile(const QString& path);

/// A name, address or company text without the characters that would break the file:
/// tab, comma and line breaks (typed or pasted).
QString BoxText(QString text);

inline constexpr qint64 kMaxBankFileSize = 64 * 1024;
inline const QString kBankFileFilter = QStringLiteral("Bank type[*.bnk]|*.bnk");

} // namespace nd::events
