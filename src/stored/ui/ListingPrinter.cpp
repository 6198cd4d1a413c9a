#include "ListingPrinter.h"

#include "dialogs/Dialogs.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace nd::stored::ui {

namespace {

QFont listingFont() {
    // The system's fixed font (DejaVu Sans Mono and the like); columns must line up.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(ListingPrinter::kPointSize);
    return font;
}

} // namespace

bool ListingPrinter::print(dialogs::Dialogs& dialogs, QWidget* parent, const QStringList& lines) {
    auto printer = dialogs.print(parent);
    if (!printer)
        return false;
    return print(*printer, lines, std::max(1, printer->copyCount())) > 0;
}

int ListingPrinter::print(QPrinter& printer, const QStringList& lines, int copies) {
    printer.setCopyCount(1);
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    painter.setFont(listingFont());
    const QFontMetrics metrics(painter.font(), &printer);
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int pageHeight = painter.viewport().height();
    const int linesPerPage = std::max(1, pageHeight / lineHeight);
    int pages = 0;
    for (int copy = 0; copy < copies; ++copy) {
        int onPage = 0;
        if (copy > 0 && !printer.newPage())
            break;
        ++pages;
        for (const QString& line : lines) {
            if (onPage == linesPerPage) {
                if (!printer.newPage())
                    break;
                ++pages;
                onPage = 0;
            }
            painter.drawText(0, onPage * lineHeight + metrics.ascent(), line);
            ++onPage;
        }
    }
    painter.end();
    return pages;
}

} // namespace nd::stored::ui
