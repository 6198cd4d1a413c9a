#include "HistogramView.h"

#include <QMouseEvent>

namespace nd::stored::ui {

void HistogramView::setPan(Pan pan) {
    m_pan = pan;
    m_dragging = false;
    setCursor(pan == Pan::None ? Qt::ArrowCursor : Qt::OpenHandCursor);
}

void HistogramView::mousePressEvent(QMouseEvent* event) {
    if (m_pan == Pan::None || event->button() != Qt::LeftButton) {
        QChartView::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_last = event->position();
    event->accept();
}

void HistogramView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QChartView::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - m_last;
    m_last = event->position();
    // Dragging moves the bars with the pointer: the view scrolls the other way in x;
    // screen y grows downwards, so it scrolls the same way in y.
    chart()->scroll(m_pan == Pan::Y ? 0.0 : -delta.x(), m_pan == Pan::X ? 0.0 : delta.y());
    event->accept();
}

void HistogramView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QChartView::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    event->accept();
}

} // namespace nd::stored::ui
