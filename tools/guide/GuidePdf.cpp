#include "GuidePdf.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <utility>
#include <vector>

namespace nd::guide {

namespace {

constexpr int kResolution = 300; // dots per inch of the PDF's device
constexpr double kMarginMm = 18.0;

/// Screenshots are wider than a page: each image is scaled to fit the text width.
void fitImages(QTextDocument& document, const QString& folder, double textWidth) {
    std::vector<std::pair<int, QTextImageFormat>> images; // position and new format
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image(QDir(folder).filePath(QUrl(format.name()).path()));
            if (image.isNull())
                continue;
            const double width = std::min<double>(image.width(), textWidth);
            format.setWidth(width);
            format.setHeight(width * image.height() / image.width());
            images.emplace_back(fragment.position(), format);
        }
    }
    for (const auto& [position, format] : images) {
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

/// The plain text of a table cell.
QString cellText(const QTextTableCell& cell) {
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

/// Column widths by content, in percent of the text width: each column gets at least its
/// longest word and its whole text when everything fits; otherwise the room left over goes
/// to the columns in proportion to the text they would still like to unwrap.
QList<double> contentWidths(QTextTable& table, const QFont& font, double available) {
    const int columns = table.columns();
    const double padding = 2 * table.format().cellPadding() + 2 * table.format().border() + 2;
    std::vector<double> least(columns, 0.0);
    std::vector<double> most(columns, 0.0);
    for (int row = 0; row < table.rows(); ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString text = cellText(table.cellAt(row, column));
            QFont cellFont = font;
            cellFont.setBold(row == 0);
            const QFontMetricsF cellMetrics(cellFont);
            for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                least[column] =
                    std::max(least[column], cellMetrics.horizontalAdvance(word) + padding);
            most[column] = std::max(most[column], cellMetrics.horizontalAdvance(text) + padding);
        }
    }
    double leastSum = 0.0;
    double mostSum = 0.0;
    for (int column = 0; column < columns; ++column) {
        leastSum += least[column];
        mostSum += most[column];
    }
    QList<double> widths;
    for (int column = 0; column < columns; ++column) {
        double width = most[column];
        if (mostSum > available) {
            const double spare = std::max(0.0, available - leastSum);
            const double wish = mostSum - leastSum;
            width =
                least[column] + (wish > 0 ? spare * (most[column] - least[column]) / wish : 0.0);
        }
        widths.append(width);
    }
    double total = 0.0;
    for (const double width : widths)
        total += width;
    for (double& width : widths)
        width = 100.0 * width / std::max(total, available);
    return widths;
}

/// Markdown tables come without padding or rules; give them both so they read as tables,
/// and columns as wide as their contents ask.
void styleTables(QTextDocument& document, double textWidth) {
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setCellPadding(4);
        format.setCellSpacing(0);
        format.setBorder(1.0);
        format.setBorderBrush(QColor(120, 120, 120));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        table->setFormat(format);
        QList<QTextLength> constraints;
        for (const double percent : contentWidths(*table, document.defaultFont(), textWidth))
            constraints.append(QTextLength(QTextLength::PercentageLength, percent));
        format.setColumnWidthConstraints(constraints);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table->setFormat(format);
    }
}

/// A heading never ends a page: one whose next line of text would fall on the next page
/// starts that page itself.
void keepHeadingsWithWhatFollows(QTextDocument& document) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const double pageHeight = document.pageSize().height();
    auto pageOf = [pageHeight](double y) { return static_cast<int>(y / pageHeight); };
    // Each move lays out the rest again, so the search starts over after it (from the
    // heading moved: nothing before it has changed).
    QTextBlock block = document.begin();
    for (int moves = 0; moves < 1000 && block.isValid(); ++moves) {
        document.pageCount(); // the whole document laid out
        for (; block.isValid(); block = block.next()) {
            const QTextBlock next = block.next();
            if (block.blockFormat().headingLevel() == 0 || !next.isValid())
                continue;
            const QRectF heading = layout->blockBoundingRect(block);
            const QRectF following = layout->blockBoundingRect(next);
            const QTextLine firstLine =
                next.layout()->lineCount() > 0 ? next.layout()->lineAt(0) : QTextLine();
            const double followingBottom =
                following.top() +
                (firstLine.isValid() ? firstLine.y() + firstLine.height() : following.height());
            QTextBlockFormat format = block.blockFormat();
            if (pageOf(heading.top()) == pageOf(followingBottom - 0.5) ||
                (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
                continue;
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            // A heading just before this one now ends its page: look at it again.
            const QTextBlock previous = block.previous();
            if (previous.isValid() && previous.blockFormat().headingLevel() > 0)
                block = previous;
            break;
        }
    }
}

/// Hands everything drawn on to the PDF's painter except text that does not start on the
/// page: the text layout draws the line before a page's first one too (out of sight, in
/// the margin), and a PDF reader would still find it there.
class PageEngine final : public QPaintEngine {
public:
    PageEngine(QPainter& target, double pageHeight)
        : QPaintEngine(AllFeatures), m_target(target), m_pageHeight(pageHeight) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& now) override {
        const DirtyFlags dirty = now.state();
        if (dirty & DirtyTransform) {
            m_transform = now.transform();
            m_target.setTransform(m_transform);
        }
        if (dirty & DirtyPen)
            m_target.setPen(now.pen());
        if (dirty & DirtyBrush)
            m_target.setBrush(now.brush());
        if (dirty & DirtyBrushOrigin)
            m_target.setBrushOrigin(now.brushOrigin());
        if (dirty & DirtyFont)
            m_target.setFont(now.font());
        if (dirty & DirtyBackground)
            m_target.setBackground(now.backgroundBrush());
        if (dirty & DirtyBackgroundMode)
            m_target.setBackgroundMode(now.backgroundMode());
        if (dirty & DirtyHints)
            m_target.setRenderHints(now.renderHints());
        if (dirty & DirtyOpacity)
            m_target.setOpacity(now.opacity());
        // The page's own clip is set on the PDF's painter; the layout's clips add nothing.
    }

    void drawTextItem(const QPointF& p, const QTextItem& textItem) override {
        const double y = m_transform.map(p).y();
        if (y >= 0 && y <= m_pageHeight)
            m_target.drawTextItem(p, textItem);
    }
    void drawPath(const QPainterPath& path) override { m_target.drawPath(path); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (mode == PolylineMode)
            m_target.drawPolyline(points, count);
        else
            m_target.drawPolygon(points, count,
                                 mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }
    void drawRects(const QRectF* rects, int count) override { m_target.drawRects(rects, count); }
    void drawLines(const QLineF* lines, int count) override { m_target.drawLines(lines, count); }
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        m_target.drawPixmap(r, pixmap, source);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override {
        m_target.drawImage(r, image, source, flags);
    }

private:
    QPainter& m_target;
    double m_pageHeight;
    QTransform m_transform;
};

/// A paint device as large as the PDF's page that draws through a PageEngine.
class PageDevice final : public QPaintDevice {
public:
    PageDevice(QPdfWriter& writer, QPainter& target, double pageHeight)
        : m_writer(writer), m_engine(target, pageHeight) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return m_writer.width();
        case PdmHeight:
            return m_writer.height();
        case PdmWidthMM:
            return m_writer.widthMM();
        case PdmHeightMM:
            return m_writer.heightMM();
        case PdmNumColors:
            return m_writer.colorCount();
        case PdmDepth:
            return m_writer.depth();
        case PdmDpiX:
            return m_writer.logicalDpiX();
        case PdmDpiY:
            return m_writer.logicalDpiY();
        case PdmPhysicalDpiX:
            return m_writer.physicalDpiX();
        case PdmPhysicalDpiY:
            return m_writer.physicalDpiY();
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 1;
        }
    }

private:
    QPdfWriter& m_writer;
    mutable PageEngine m_engine;
};

/// Draws the pages one by one, each clipped to its own area, with only the text that
/// starts on it.
void printPages(QTextDocument& document, QPdfWriter& writer) {
    QPainter target(&writer);
    const QSizeF page = document.pageSize();
    const QRect area(QPoint(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
    const double scale = area.width() / page.width();
    PageDevice device(writer, target, area.height());
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (int index = 0; index < document.pageCount(); ++index) {
        if (index > 0)
            writer.newPage();
        target.resetTransform();
        target.setClipRect(area);
        QPainter painter(&device);
        painter.scale(scale, scale);
        painter.translate(0, -index * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, index * page.height(), page.width(), page.height());
        layout->draw(&painter, context);
    }
}

} // namespace

QString renderMarkdownToPdf(const QString& markdownPath, const QString& pdfPath,
                            const QString& title) {
    QFile source(markdownPath);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(markdownPath, source.errorString());
    const QString folder = QFileInfo(markdownPath).absolutePath();

    QPdfWriter writer(pdfPath);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("NoiseDesk"));
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));

    QTextDocument document;
    document.setBaseUrl(QUrl::fromLocalFile(folder + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.0);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    // In the document's own units (points at 72 per inch) the text is as wide as the page.
    const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
    document.setPageSize(page);
    fitImages(document, folder, page.width());
    styleTables(document, page.width());
    keepHeadingsWithWhatFollows(document);
    printPages(document, writer);
    if (!QFileInfo::exists(pdfPath))
        return QStringLiteral("cannot write %1").arg(pdfPath);
    return {};
}

} // namespace nd::guide
