#pragma once

#include <QWidget>

#include <utility>
#include <vector>

namespace nd::realtime::ui {

/// A small strip chart of the interval averages: levels 68 to 140 dB, the last points
/// from the left while a run appends them, every point of a file opened (x = 1 to N); a
/// NaN point is a gap (an interval with no real sample).
class StripGraph final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kBottom = 68.0;
    static constexpr double kTop = 140.0;
    static constexpr int kShownPoints = 20;

    explicit StripGraph(QWidget* parent = nullptr);

    void clear();
    void append(double level);
    /// Shows all of these points, the first at x = 1, until the next clear().
    void setPoints(std::vector<double> levels);
    const std::vector<double>& points() const { return m_points; }
    /// The numbers written under the x axis's left and right ends.
    std::pair<long long, long long> shownRange() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_points;
    bool m_showAll = false;
};

} // namespace nd::realtime::ui
