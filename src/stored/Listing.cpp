#include "Listing.h"

namespace nd::stored {

QStringList listingLines(const LevelList& list) {
    return listingLines(list, {});
}

QStringList listingLines(const LevelList& list, const QStringList& figures) {
    const QString margin = QStringLiteral("-") + QString(20, QLatin1Char(' '));
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(list.rows.size()) + 10);
    for (int i = 0; i < 4; ++i)
        lines << QStringLiteral(" ");
    for (const QString& note : list.notes)
        lines << margin + note;
    if (!figures.isEmpty()) {
        lines << QString();
        for (const QString& figure : figures)
            lines << margin + figure;
    }
    lines << QString();
    lines << margin + QStringLiteral("            Date     Time        (dBA)");
    lines << margin + QStringLiteral("        ---------- ----------");
    for (const LevelRow& row : list.rows) {
        lines << margin + row.number.leftJustified(8) + row.date.leftJustified(11) +
                     row.time.leftJustified(13) + row.value.rightJustified(5) +
                     QStringLiteral("   ");
    }
    return lines;
}

} // namespace nd::stored
