#include "BankFile.h"

#include "stored/SaveFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace nd::events {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QChar kTab = QLatin1Char('\t');

struct Prefixes {
    QString name, address, company;
};
const Prefixes kMenuPrefixes{QStringLiteral("NAME: "), QStringLiteral("ADDRESS: "),
                             QStringLiteral("COMPANY: ")};
const Prefixes kToolbarPrefixes{QStringLiteral("Name: "), QStringLiteral("Address: "),
                                QStringLiteral("Company: ")};

QString filler(BankLayout layout) {
    return layout == BankLayout::Menu ? QStringLiteral("----") : QStringLiteral(" ");
}

QString headingLine() {
    QString line = QString(kTab);
    for (int bank = 1; bank <= kBankCount; ++bank)
        line += kTab + ColumnHeading(bank);
    return line;
}

/// The toolbar layout's first line: the column headings after the (empty) heading cell.
/// The cells before them are not looked at, so a heading cell written as a blank is
/// taken as well as an empty one.
bool isHeadingLine(const QString& line) {
    const QStringList parts = line.split(kTab);
    if (parts.size() != 2 + kBankCount)
        return false;
    for (int bank = 1; bank <= kBankCount; ++bank)
        if (parts.at(1 + bank).trimmed() != ColumnHeading(bank).trimmed())
            return false;
    return true;
}

bool fitsLatin1(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString lineError(int index, const QString& why) {
    return QStringLiteral("line %1: %2").arg(index + 1).arg(why);
}

/// The five cells of a row line "\t[heading]\tc1\t...\tc5", or an error.
std::optional<QString> takeCells(const QString& line, int index, int rowNumber, bool withHeading,
                                 BankTable& table) {
    const QStringList parts = line.split(kTab);
    const int expected = 1 + (withHeading ? 1 : 0) + kBankCount;
    if (parts.size() != expected || !parts.front().isEmpty())
        return lineError(
            index, QStringLiteral("expected a row of %1 tab-separated cells").arg(expected - 1));
    if (withHeading && parts.at(1) != RowHeading(rowNumber))
        return lineError(index,
                         QStringLiteral("expected the row \"%1\"").arg(RowHeading(rowNumber)));
    for (int bank = 1; bank <= kBankCount; ++bank)
        table.cell(rowNumber, bank) = parts.at(expected - kBankCount + bank - 1);
    return std::nullopt;
}

std::optional<QString> takeBox(const QString& line, int index, const QString& prefix,
                               QString& box) {
    if (!line.startsWith(prefix))
        return lineError(index, QStringLiteral("expected \"%1\"").arg(prefix.trimmed()));
    box = line.mid(prefix.size());
    return std::nullopt;
}

} // namespace

BankTable FillEmptyCells(BankTable table, BankLayout layout) {
    for (BankColumn& column : table.Banks)
        for (QString& cell : column)
            if (cell.isEmpty())
                cell = filler(layout);
    return table;
}

QByteArray BankFileBytes(const BankTable& original, BankLayout layout) {
    const BankTable table = FillEmptyCells(original, layout);
    const bool toolbar = layout == BankLayout::Toolbar;
    QString text;
    if (toolbar)
        text += headingLine() + kCrLf;
    for (int row = 1; row <= kBankRows; ++row) {
        if (toolbar)
            text += kTab + RowHeading(row);
        for (int bank = 1; bank <= kBankCount; ++bank)
            text += kTab + table.cell(row, bank);
        text += kCrLf;
    }
    const Prefixes& p = toolbar ? kToolbarPrefixes : kMenuPrefixes;
    text += p.name + table.Name + kCrLf;
    text += p.address + table.Address + kCrLf;
    text += p.company + table.Company + kCrLf;
    return fitsLatin1(text) ? text.toLatin1() : text.toUtf8();
}

std::optional<QString> SaveBankFile(const QString& path, const BankTable& table,
                                    BankLayout layout) {
    return stored::saveBytes(path, BankFileBytes(table, layout));
}

BankFileRead ParseBankFile(const QByteArray& bytes) {
    BankFileRead read;
    QStringList lines = decode(bytes).split(kCrLf);
    // Lines ending in LF alone (a file passed through another editor) are taken too.
    if (lines.size() == 1)
        lines = lines.front().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();

    read.layout =
        !lines.isEmpty() && isHeadingLine(lines.front()) ? BankLayout::Toolbar : BankLayout::Menu;
    const bool toolbar = read.layout == BankLayout::Toolbar;
    const int first = toolbar ? 1 : 0;
    const int expectedLines = first + kBankRows + 3;
    // A last line without its line end: the file was cut while it was written. The whole
    // lines are kept, the cut one and the missing ones are left out, and that is said.
    const bool cut = !bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r');
    qsizetype present = lines.size();
    if (cut && present > first && present <= expectedLines) {
        --present;
        read.leftOut = QStringLiteral("The file was cut short: line %1 and the lines after "
                                      "it are missing and left empty.")
                           .arg(present + 1);
    } else if (lines.size() != expectedLines) {
        read.error = QStringLiteral("a bank file has %1 lines; this one has %2")
                         .arg(expectedLines)
                         .arg(lines.size());
        return read;
    }
    BankTable table;
    for (int row = 1; row <= kBankRows; ++row) {
        const int index = first + row - 1;
        if (index >= present)
            break;
        if (auto error = takeCells(lines.at(index), index, row, toolbar, table)) {
            read.error = *error;
            return read;
        }
    }
    const Prefixes& p = toolbar ? kToolbarPrefixes : kMenuPrefixes;
    const int boxes = first + kBankRows;
    for (auto [offset, prefix, box] :
         {std::tuple{0, &p.name, &table.Name}, std::tuple{1, &p.address, &table.Address},
          std::tuple{2, &p.company, &table.Company}}) {
        if (boxes + offset >= present)
            break;
        if (auto error = takeBox(lines.at(boxes + offset), boxes + offset, *prefix, *box)) {
            read.error = *error;
            return read;
        }
    }
    read.table = std::move(table);
    return read;
}

QString BoxText(QString text) {
    text.remove(QRegularExpression(QStringLiteral("[\\t,\\r\\n]")));
    return text;
}

BankFileRead OpenBankFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, BankLayout::Menu, file.errorString(), {}};
    if (file.size() > kMaxBankFileSize)
        return {std::nullopt,
                BankLayout::Menu,
                QStringLiteral("the file is too large to be a bank file"),
                {}};
    return ParseBankFile(file.readAll());
}

} // namespace nd::events
