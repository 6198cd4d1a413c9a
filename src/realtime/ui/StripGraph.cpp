#include "StripGraph.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace nd::realtime::ui {

StripGraph::StripGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Graph"));
    // Room for the eight level labels, 70 to 140, without overlap.
    setMinimumSize(240, 28 + 9 * fontMetrics().height());
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void StripGraph::clear() {
    m_points.clear();
    m_showAll = false;
    update();
}

void StripGraph::append(double level) {
    m_points.push_back(level);
    update();
}

void StripGraph::setPoints(std::vector<double> levels) {
    m_points = std::move(levels);
    m_showAll = true;
    update();
}

std::pair<long long, long long> StripGraph::shownRange() const {
    const auto n = static_cast<long long>(m_points.size());
    if (m_showAll)
        return {1, std::max(1LL, n)};
    const long long first = std::max(0LL, n - kShownPoints);
    return {first + 1, first + std::max<long long>(kShownPoints, n - first)};
}

void StripGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(36, 8, -8, -20);
    const auto n = static_cast<long long>(m_points.size());
    const auto [leftLabel, rightLabel] = shownRange();
    const long long first = leftLabel - 1;
    // A file's points from edge to edge (x = 1 to N); a run's strip keeps room on the right.
    const double xSpan = m_showAll ? std::max(1.0, static_cast<double>(n - 1))
                                   : static_cast<double>(rightLabel - first);
    auto toPoint = [&](long long i, double level) {
        const double x = area.left() + area.width() * static_cast<double>(i - first) / xSpan;
        const double y = area.bottom() - area.height() *
                                             (std::clamp(level, kBottom - 2, kTop + 2) - kBottom) /
                                             (kTop - kBottom);
        return QPointF(x, y);
    };
    p.setPen(QColor(192, 192, 192));
    for (int level = 70; level <= 140; level += 10) {
        const double y = toPoint(first, level).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - 8, area.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(level));
        p.setPen(QColor(192, 192, 192));
    }
    p.setPen(Qt::black);
    p.drawRect(area);
    p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignLeft,
               QString::number(leftLabel));
    p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignRight,
               QString::number(rightLabel));
    QPen trace(Qt::blue, 1.5);
    p.setPen(trace);
    QPainterPath path;
    bool drawing = false;
    for (long long i = first; i < n; ++i) {
        const double level = m_points[static_cast<std::size_t>(i)];
        if (std::isnan(level)) {
            drawing = false;
            continue;
        }
        const QPointF pt = toPoint(i, level);
        if (drawing)
            path.lineTo(pt);
        else
            path.moveTo(pt);
        drawing = true;
        p.drawEllipse(pt, 2, 2);
    }
    p.drawPath(path);
}

} // namespace nd::realtime::ui
