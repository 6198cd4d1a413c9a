#pragma once

#include "realtime/PlotData.h"

#include <QChartView>

class QGraphicsLineItem;

namespace nd::realtime::ui {

/// The plot's chart view with the track modes: nothing, a draggable cursor, panning
/// (both ways or one) and rubber-band zooming (a rectangle, or a band across one axis).
class PlotView final : public QChartView {
    Q_OBJECT

public:
    explicit PlotView(QChart* chart, QWidget* parent = nullptr);

    void setTrackMode(const TrackModeInfo& mode);
    const TrackModeInfo& trackMode() const { return m_mode; }
    /// Places the cursor at a point given in axis values and shows it.
    void placeCursor(QPointF value);
    bool cursorShown() const;
    QPointF cursorValue() const { return m_cursor; }
    /// Pans by a drag of `pixels` in the current mode's directions.
    void panBy(QPointF pixels);

signals:
    void cursorMoved(QPointF value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void moveCursorTo(QPointF scenePos);
    void layoutCursor();

    TrackModeInfo m_mode;
    QPointF m_cursor;
    QPointF m_lastDrag;
    bool m_dragging = false;
    QGraphicsLineItem* m_cursorX = nullptr;
    QGraphicsLineItem* m_cursorY = nullptr;
};

} // namespace nd::realtime::ui
