#include "Csv.h"

#include <QRegularExpression>

namespace nd::stored {

QString csvField(const QString& text, const CsvStyle& style) {
    if (!text.contains(style.delimiter) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvValue(const QString& text, const CsvStyle& style) {
    static const QRegularExpression date(QStringLiteral("^(\\d{4})/(\\d{2})/(\\d{2})$"));
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9:]*[0-9]\\.[0-9]+$"));
    QString value = text;
    if (const auto m = date.match(text); m.hasMatch())
        value = m.captured(1) + QLatin1Char('-') + m.captured(2) + QLatin1Char('-') + m.captured(3);
    else if (style.decimalComma && decimal.match(text).hasMatch())
        value.replace(QLatin1Char('.'), QLatin1Char(','));
    return csvField(value, style);
}

QString csvLine(const QStringList& fields, const CsvStyle& style) {
    return fields.join(style.delimiter);
}

} // namespace nd::stored
