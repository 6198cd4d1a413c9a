#pragma once

#include <QString>
#include <QWidget>

class QPainter;

namespace nd::panel {

/// A round dial with one needle over a dB scale. Values past the scale rest the needle
/// on the end stop just beyond it, but value() still gives what was set.
class NeedleMeter final : public QWidget {
    Q_OBJECT

public:
    explicit NeedleMeter(QWidget* parent = nullptr);

    void setValue(double value);
    double value() const { return m_value; }
    void setScale(double minimum, double maximum);
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    /// Needle angle in degrees clockwise from twelve o'clock. The scale spans
    /// kStartAngle to kEndAngle; anything past it (or not a number) stops kStopOvershoot
    /// beyond the nearer end.
    static double needleAngle(double value, double minimum, double maximum);
    /// The text written under the pivot (the main window's reading and unit).
    void setReadingText(const QString& text);
    QString readingText() const { return m_readingText; }

    QSize sizeHint() const override { return {300, 300}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

    static constexpr double kStartAngle = -135.0;
    static constexpr double kEndAngle = 135.0;
    static constexpr double kStopOvershoot = 5.0;
    static constexpr double kDefaultMinimum = 68.0;
    static constexpr double kDefaultMaximum = 140.0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFace(QPainter& painter) const;
    void paintBands(QPainter& painter) const;
    void paintTicks(QPainter& painter) const;
    void paintLabels(QPainter& painter) const;
    void paintReading(QPainter& painter) const;
    void paintNeedle(QPainter& painter) const;
    double angleOf(double value) const { return needleAngle(value, m_minimum, m_maximum); }

    double m_value = kDefaultMinimum;
    double m_minimum = kDefaultMinimum;
    double m_maximum = kDefaultMaximum;
    QString m_readingText;
};

} // namespace nd::panel
