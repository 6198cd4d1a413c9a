#include "PlotView.h"

#include <QGraphicsLineItem>
#include <QMouseEvent>

namespace nd::realtime::ui {

PlotView::PlotView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent), m_mode(trackModes()[0]) {
    setObjectName(QStringLiteral("Graph1"));
    setRenderHint(QPainter::Antialiasing, false);
    const QPen pen(QColor(200, 0, 0), 1, Qt::DashLine);
    m_cursorX = new QGraphicsLineItem(chart);
    m_cursorY = new QGraphicsLineItem(chart);
    for (QGraphicsLineItem* line : {m_cursorX, m_cursorY}) {
        line->setPen(pen);
        line->setZValue(20);
        line->hide();
    }
    connect(chart, &QChart::plotAreaChanged, this, &PlotView::layoutCursor);
}

void PlotView::setTrackMode(const TrackModeInfo& mode) {
    m_mode = mode;
    if (mode.zoomX && mode.zoomY)
        setRubberBand(QChartView::RectangleRubberBand);
    else if (mode.zoomX)
        setRubberBand(QChartView::HorizontalRubberBand);
    else if (mode.zoomY)
        setRubberBand(QChartView::VerticalRubberBand);
    else
        setRubberBand(QChartView::NoRubberBand);
    m_cursorX->setVisible(mode.cursor);
    m_cursorY->setVisible(mode.cursor);
    setCursor(mode.panX || mode.panY ? Qt::OpenHandCursor
              : mode.cursor          ? Qt::CrossCursor
                                     : Qt::ArrowCursor);
}

bool PlotView::cursorShown() const {
    return m_cursorX->isVisible();
}

void PlotView::placeCursor(QPointF value) {
    m_cursor = value;
    layoutCursor();
}

void PlotView::layoutCursor() {
    const QRectF area = chart()->plotArea();
    const QPointF at = chart()->mapToPosition(m_cursor);
    m_cursorX->setLine(at.x(), area.top(), at.x(), area.bottom());
    m_cursorY->setLine(area.left(), at.y(), area.right(), at.y());
    const bool inside = area.contains(at);
    m_cursorX->setVisible(m_mode.cursor && inside);
    m_cursorY->setVisible(m_mode.cursor && inside);
}

void PlotView::moveCursorTo(QPointF scenePos) {
    const QRectF area = chart()->plotArea();
    const QPointF clamped(std::clamp(scenePos.x(), area.left(), area.right()),
                          std::clamp(scenePos.y(), area.top(), area.bottom()));
    m_cursor = chart()->mapToValue(clamped);
    layoutCursor();
    emit cursorMoved(m_cursor);
}

void PlotView::panBy(QPointF pixels) {
    const double dx = m_mode.panX ? -pixels.x() : 0.0;
    const double dy = m_mode.panY ? pixels.y() : 0.0;
    if (dx != 0.0 || dy != 0.0)
        chart()->scroll(dx, dy);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && (m_mode.cursor || m_mode.panX || m_mode.panY)) {
        m_dragging = true;
        m_lastDrag = event->position();
        if (m_mode.cursor)
            moveCursorTo(mapToScene(event->position().toPoint()));
        else
            setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        if (m_mode.cursor) {
            moveCursorTo(mapToScene(event->position().toPoint()));
        } else {
            panBy(event->position() - m_lastDrag);
            m_lastDrag = event->position();
        }
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        if (!m_mode.cursor)
            setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void PlotView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    layoutCursor();
}

} // namespace nd::realtime::ui
