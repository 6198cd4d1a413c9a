#include "GuidePdf.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

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

/// Markdown tables come without padding or rules; give them both so they read as tables.
void styleTables(QTextDocument& document) {
    QTextCursor cursor(&document);
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
    styleTables(document);
    document.print(&writer);
    if (!QFileInfo::exists(pdfPath))
        return QStringLiteral("cannot write %1").arg(pdfPath);
    return {};
}

} // namespace nd::guide
