#include "StripGraph.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace nd::realtime::ui {

StripGraph::StripGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Graph"));
    setMinimumSize(240, 140);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void StripGraph::clear() {
    m_points.clear();
    update();
}

void StripGraph::append(double level) {
    m_points.push_back(level);
    update();
}

void StripGraph::setPoints(std::vector<double> levels) {
    m_points = std::move(levels);
    update();
}

void StripGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(36, 8, -8, -20);
    const auto n = static_cast<long long>(m_points.size());
    const long long first = std::max(0LL, n - kShownPoints);
    const double xSpan = std::max<double>(kShownPoints, static_cast<double>(n - first));
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
               QString::number(first + 1));
    p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignRight,
               QString::number(first + static_cast<long long>(xSpan)));
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
