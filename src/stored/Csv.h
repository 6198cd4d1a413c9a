#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace nd::stored {

/// How a CSV file is laid out for a spreadsheet. The defaults are RFC 4180 with a
/// decimal point; spreadsheets set up for French, German, Italian, Portuguese or Spanish
/// read decimal commas and, with them, a semicolon between fields.
struct CsvStyle {
    QChar delimiter = u',';
    bool decimalComma = false;
};

/// One field, in double quotes (RFC 4180) when it holds the delimiter, a quote or a
/// line end.
QString csvField(const QString& text, const CsvStyle& style = {});
/// A value field: a "yyyy/mm/dd" date in ISO 8601 ("2009-03-16"), a decimal number or a
/// time with tenths ("85.3", "14:50:10.0") with the style's decimal sign; quoted as
/// csvField does. Other texts ("OL", "----") as they are.
QString csvValue(const QString& text, const CsvStyle& style = {});
/// Fields joined with the style's delimiter, without the line end.
QString csvLine(const QStringList& fields, const CsvStyle& style = {});

} // namespace nd::stored
