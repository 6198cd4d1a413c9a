#pragma once

#include <QChartView>

namespace nd::stored::ui {

/// The histogram's chart view: rubber-band zoom comes with the view, drag-to-pan in one
/// or both directions is added here.
class HistogramView final : public QChartView {
    Q_OBJECT

public:
    enum class Pan { None, XY, X, Y };

    using QChartView::QChartView;

    void setPan(Pan pan);
    Pan pan() const { return m_pan; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Pan m_pan = Pan::None;
    bool m_dragging = false;
    QPointF m_last;
};

} // namespace nd::stored::ui
