#pragma once

#include <QString>

namespace nd::guide {

/// Renders a Markdown file into a paginated A4 PDF: headings, tables, lists and images
/// (paths relative to the Markdown file, scaled down to the page width). Returns an
/// empty string on success, else why it failed.
QString renderMarkdownToPdf(const QString& markdownPath, const QString& pdfPath,
                            const QString& title);

} // namespace nd::guide
