#include "BankListing.h"

#include <algorithm>

namespace nd::events {

namespace {
/// Wide enough for every cell text the decoding makes (" Unreadable" is the longest).
constexpr int kCellWidth = 12;

QString withoutTrailingBlanks(QString line) {
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}
} // namespace

QStringList BankListing(const BankTable& table) {
    const QStringList headings = RowHeadings();
    qsizetype headingWidth = 0;
    for (const QString& heading : headings)
        headingWidth = std::max(headingWidth, heading.size());
    headingWidth += 2;

    QStringList lines{QStringLiteral("Name: ") + table.Name,
                      QStringLiteral("Address: ") + table.Address,
                      QStringLiteral("Company: ") + table.Company, QString()};
    QString top = QString(headingWidth, QLatin1Char(' '));
    for (int bank = 1; bank <= kBankCount; ++bank)
        top += ColumnHeading(bank).leftJustified(kCellWidth);
    lines << withoutTrailingBlanks(top);
    for (int row = 1; row <= kBankRows; ++row) {
        QString line = headings.at(row - 1).leftJustified(headingWidth);
        for (int bank = 1; bank <= kBankCount; ++bank)
            line += table.cell(row, bank).leftJustified(kCellWidth);
        lines << withoutTrailingBlanks(line);
    }
    return lines;
}

} // namespace nd::events
