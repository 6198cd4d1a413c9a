#pragma once

#include <QColor>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QBuffer;
class QPdfWriter;

namespace nd::report {

/// A4, or Letter where the locale measures in inches.
QPageSize::PageSizeId defaultPaper();

/// What the footer of every page says beside its number.
struct Footer {
    QString left;  ///< the source: its name and hash
    QString right; ///< the program and its version
};

/// A column of a table: its title, its share of the width, its alignment.
struct Column {
    QString title;
    double share = 1.0;
    Qt::Alignment align = Qt::AlignLeft;
};

/// A cell's text with an optional colour mark (a reached threshold in red).
struct Cell {
    QString text;
    QColor mark = {};
    bool bold = false;
    Cell(const QString& t = {}) : text(t) {}
    Cell(const char* t) : text(QString::fromUtf8(t)) {}
    Cell(const QString& t, QColor m, bool b = false) : text(t), mark(m), bold(b) {}
};

/// Pages laid out top to bottom in points on Qt's PDF writer, breaking to a new page when
/// a block does not fit. The document is laid out twice: once to count the pages, then for
/// real, so every footer can say "Page 2 of 3".
class PdfPages {
public:
    /// Runs `layout` on the pages and gives the PDF's bytes.
    static QByteArray render(QPageSize::PageSizeId paper, const QString& title,
                             const Footer& footer, const std::function<void(PdfPages&)>& layout);

    double width() const { return m_width; } ///< of the text area, in points
    double left() const { return 0.0; }
    double y() const { return m_y; }
    /// Room left on the page, in points.
    double room() const { return m_height - m_y; }
    /// Starts a new page unless `height` points fit on this one.
    void ensure(double height);
    void newPage();
    void skip(double points) { m_y += points; }

    /// The title, and a line under it in grey.
    void title(const QString& text, const QString& subtitle = {});
    void heading(const QString& text);
    /// A wrapped paragraph; `size` in points.
    void paragraph(const QString& text, double size = 9.0, bool bold = false,
                   QColor colour = Qt::black);
    /// Label and value pairs in `columns` columns.
    void keyValues(const std::vector<std::pair<QString, QString>>& pairs, int columns = 2);
    /// A table with a header row; rows wrap their cells and break across pages.
    void table(const std::vector<Column>& columns, const std::vector<std::vector<Cell>>& rows,
               double size = 8.5);
    /// Lines to write on by hand: "Measured by", "Date", "Signature".
    void signatureLines(const QStringList& labels);
    /// A block drawn by `draw` in a box of the text width and `height` points, whose top
    /// left corner is (0, 0) in points.
    void block(double height, const std::function<void(QPainter&, QRectF)>& draw);

    /// Points to device units, and a font of `size` points.
    static double pt(double points) { return points * kUnitsPerPoint; }
    static QFont font(double size, bool bold = false, bool fixed = false);

private:
    static constexpr double kUnitsPerPoint = 10.0; // at 720 dpi
    PdfPages(QPdfWriter& writer, const Footer& footer, int totalPages);
    void drawFooter();
    double textHeight(const QString& text, const QFont& f, double width) const;

    QPdfWriter& m_writer;
    QPainter m_painter;
    Footer m_footer;
    int m_page = 1;
    int m_totalPages = 0;
    double m_width = 0.0;
    double m_height = 0.0;
    double m_y = 0.0;
};

} // namespace nd::report
