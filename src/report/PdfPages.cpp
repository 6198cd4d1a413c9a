#include "PdfPages.h"

#include <QBuffer>
#include <QLocale>
#include <QPageLayout>
#include <QPdfWriter>

#include <algorithm>

namespace nd::report {

namespace {
constexpr double kMarginMm = 18.0;
constexpr double kFooterPoints = 22.0;
const QColor kRule(160, 160, 160);
const QColor kShade(236, 240, 244);
} // namespace

QPageSize::PageSizeId defaultPaper() {
    const auto system = QLocale::system().measurementSystem();
    return system == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
}

QFont PdfPages::font(double size, bool bold, bool fixed) {
    QFont f(fixed ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    // No ligatures: "fi" stays two letters, so the text found and copied from the PDF is
    // the text written.
    f.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif, QFont::PreferNoShaping);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

QByteArray PdfPages::render(QPageSize::PageSizeId paper, const QString& title, const Footer& footer,
                            const std::function<void(PdfPages&)>& layout) {
    int pages = 0;
    QByteArray bytes;
    for (int pass = 0; pass < 2; ++pass) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("NoiseDesk"));
        writer.setResolution(72 * static_cast<int>(kUnitsPerPoint));
        writer.setPageLayout(QPageLayout(QPageSize(paper), QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                         QPageLayout::Millimeter));
        PdfPages p(writer, footer, pages);
        layout(p);
        p.drawFooter();
        p.m_painter.end();
        pages = p.m_page;
    }
    return bytes;
}

PdfPages::PdfPages(QPdfWriter& writer, const Footer& footer, int totalPages)
    : m_writer(writer), m_footer(footer), m_totalPages(totalPages) {
    m_painter.begin(&m_writer);
    const QRectF area = m_writer.pageLayout().paintRect(QPageLayout::Point);
    m_width = area.width();
    m_height = area.height() - kFooterPoints;
}

void PdfPages::drawFooter() {
    QPainter& p = m_painter;
    const double top = m_height + kFooterPoints - 12.0;
    p.setPen(QPen(kRule, pt(0.5)));
    p.drawLine(QPointF(0, pt(top - 3)), QPointF(pt(m_width), pt(top - 3)));
    p.setPen(Qt::darkGray);
    p.setFont(font(6.5));
    const QString page = m_totalPages > 0
                             ? QStringLiteral("Page %1 of %2").arg(m_page).arg(m_totalPages)
                             : QStringLiteral("Page %1").arg(m_page);
    const QRectF line(0, pt(top), pt(m_width), pt(10));
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, m_footer.left);
    p.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1   %2").arg(m_footer.right, page));
}

void PdfPages::newPage() {
    drawFooter();
    m_writer.newPage();
    ++m_page;
    m_y = 0.0;
}

void PdfPages::ensure(double height) {
    if (m_y > 0.0 && height > room())
        newPage();
}

double PdfPages::textHeight(const QString& text, const QFont& f, double width) const {
    QPainter& p = const_cast<QPainter&>(m_painter);
    p.setFont(f);
    const QRectF r =
        p.boundingRect(QRectF(0, 0, pt(width), pt(10000)), Qt::TextWordWrap | Qt::AlignLeft, text);
    return r.height() / kUnitsPerPoint;
}

void PdfPages::title(const QString& text, const QString& subtitle) {
    QPainter& p = m_painter;
    p.setPen(Qt::black);
    p.setFont(font(17, true));
    p.drawText(QRectF(0, pt(m_y), pt(m_width), pt(24)), Qt::AlignLeft | Qt::AlignBottom, text);
    m_y += 26;
    if (!subtitle.isEmpty()) {
        p.setFont(font(9));
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(0, pt(m_y), pt(m_width), pt(12)), Qt::AlignLeft | Qt::AlignVCenter,
                   subtitle);
        m_y += 14;
    }
    p.setPen(QPen(QColor(40, 70, 110), pt(1.5)));
    p.drawLine(QPointF(0, pt(m_y)), QPointF(pt(m_width), pt(m_y)));
    m_y += 10;
}

void PdfPages::heading(const QString& text) {
    ensure(40);
    m_y += 6;
    QPainter& p = m_painter;
    p.setPen(QColor(40, 70, 110));
    p.setFont(font(11, true));
    p.drawText(QRectF(0, pt(m_y), pt(m_width), pt(15)), Qt::AlignLeft | Qt::AlignVCenter, text);
    m_y += 16;
    p.setPen(QPen(kRule, pt(0.5)));
    p.drawLine(QPointF(0, pt(m_y)), QPointF(pt(m_width), pt(m_y)));
    m_y += 5;
}

void PdfPages::paragraph(const QString& text, double size, bool bold, QColor colour) {
    const QFont f = font(size, bold);
    const double h = textHeight(text, f, m_width);
    ensure(h);
    m_painter.setFont(f);
    m_painter.setPen(colour);
    m_painter.drawText(QRectF(0, pt(m_y), pt(m_width), pt(h + 1)), Qt::TextWordWrap | Qt::AlignLeft,
                       text);
    m_y += h + 3;
}

void PdfPages::keyValues(const std::vector<std::pair<QString, QString>>& pairs, int columns) {
    const double gap = 14.0;
    const double colWidth = (m_width - gap * (columns - 1)) / columns;
    const double labelWidth = colWidth * 0.42;
    const QFont labelFont = font(8.5, true);
    const QFont valueFont = font(8.5);
    for (std::size_t i = 0; i < pairs.size(); i += static_cast<std::size_t>(columns)) {
        double h = 0.0;
        for (int c = 0; c < columns && i + c < pairs.size(); ++c)
            h = std::max({h, textHeight(pairs[i + c].second, valueFont, colWidth - labelWidth),
                          textHeight(pairs[i + c].first, labelFont, labelWidth - 4)});
        ensure(h + 3);
        for (int c = 0; c < columns && i + c < pairs.size(); ++c) {
            const double x = c * (colWidth + gap);
            m_painter.setPen(QColor(70, 70, 70));
            m_painter.setFont(labelFont);
            m_painter.drawText(QRectF(pt(x), pt(m_y), pt(labelWidth - 4), pt(h + 1)),
                               Qt::TextWordWrap | Qt::AlignLeft, pairs[i + c].first);
            m_painter.setPen(Qt::black);
            m_painter.setFont(valueFont);
            m_painter.drawText(
                QRectF(pt(x + labelWidth), pt(m_y), pt(colWidth - labelWidth), pt(h + 1)),
                Qt::TextWordWrap | Qt::AlignLeft, pairs[i + c].second);
        }
        m_y += h + 3;
    }
    m_y += 2;
}

void PdfPages::table(const std::vector<Column>& columns, const std::vector<std::vector<Cell>>& rows,
                     double size) {
    double shares = 0.0;
    for (const Column& c : columns)
        shares += c.share;
    std::vector<double> widths;
    for (const Column& c : columns)
        widths.push_back(m_width * c.share / shares);
    const double pad = 3.0;
    const QFont headFont = font(size, true);
    const QFont bodyFont = font(size);
    const QFont boldFont = font(size, true);

    const auto rowHeight = [&](const std::vector<QString>& texts, const QFont& f) {
        double h = 0.0;
        for (std::size_t c = 0; c < columns.size(); ++c)
            h = std::max(h, textHeight(texts[c], f, widths[c] - 2 * pad));
        return h + 2 * pad;
    };
    std::vector<QString> headTexts;
    for (const Column& c : columns)
        headTexts.push_back(c.title);
    const double headHeight = rowHeight(headTexts, headFont);

    const auto drawHeader = [&] {
        m_painter.fillRect(QRectF(0, pt(m_y), pt(m_width), pt(headHeight)), QColor(40, 70, 110));
        m_painter.setPen(Qt::white);
        m_painter.setFont(headFont);
        double x = 0.0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            m_painter.drawText(QRectF(pt(x + pad), pt(m_y + pad), pt(widths[c] - 2 * pad),
                                      pt(headHeight - 2 * pad)),
                               Qt::TextWordWrap | columns[c].align | Qt::AlignVCenter,
                               columns[c].title);
            x += widths[c];
        }
        m_y += headHeight;
    };

    ensure(headHeight + 20);
    drawHeader();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<QString> texts;
        for (std::size_t c = 0; c < columns.size(); ++c)
            texts.push_back(c < rows[r].size() ? rows[r][c].text : QString());
        const double h = rowHeight(texts, bodyFont);
        if (h > room()) {
            newPage();
            drawHeader();
        }
        if (r % 2 == 1)
            m_painter.fillRect(QRectF(0, pt(m_y), pt(m_width), pt(h)), kShade);
        double x = 0.0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const Cell cell = c < rows[r].size() ? rows[r][c] : Cell();
            QRectF box(pt(x + pad), pt(m_y + pad), pt(widths[c] - 2 * pad), pt(h - 2 * pad));
            if (cell.mark.isValid()) {
                m_painter.setPen(Qt::NoPen);
                m_painter.setBrush(cell.mark);
                m_painter.drawEllipse(QRectF(box.left(), box.top() + pt(size * 0.25),
                                             pt(size * 0.7), pt(size * 0.7)));
                m_painter.setBrush(Qt::NoBrush);
                box.setLeft(box.left() + pt(size));
            }
            m_painter.setPen(Qt::black);
            m_painter.setFont(cell.bold ? boldFont : bodyFont);
            m_painter.drawText(box, Qt::TextWordWrap | columns[c].align | Qt::AlignTop, cell.text);
            x += widths[c];
        }
        m_y += h;
    }
    m_painter.setPen(QPen(kRule, pt(0.5)));
    m_painter.drawLine(QPointF(0, pt(m_y)), QPointF(pt(m_width), pt(m_y)));
    m_y += 6;
}

void PdfPages::signatureLines(const QStringList& labels) {
    const double h = 34.0;
    ensure(h * labels.size() + 10);
    m_y += 6;
    for (const QString& label : labels) {
        m_painter.setPen(Qt::black);
        m_painter.setFont(font(9, true));
        m_painter.drawText(QRectF(0, pt(m_y + h - 16), pt(110), pt(14)),
                           Qt::AlignLeft | Qt::AlignBottom, label);
        m_painter.setPen(QPen(Qt::black, pt(0.6)));
        m_painter.drawLine(QPointF(pt(110), pt(m_y + h - 3)),
                           QPointF(pt(std::min(m_width, 420.0)), pt(m_y + h - 3)));
        m_y += h;
    }
    m_y += 6;
}

void PdfPages::block(double height, const std::function<void(QPainter&, QRectF)>& draw) {
    ensure(height);
    m_painter.save();
    m_painter.translate(0, pt(m_y));
    draw(m_painter, QRectF(0, 0, m_width, height));
    m_painter.restore();
    m_y += height;
}

} // namespace nd::report
