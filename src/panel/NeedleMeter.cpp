#include "NeedleMeter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace nd::panel {

namespace {

// Everything is drawn on a 200 x 200 square centred on the pivot, scaled to the widget.
constexpr double kLogicalSide = 200.0;
constexpr double kFaceRadius = 96.0;
constexpr double kScaleRadius = 84.0;
constexpr double kLabelRadius = 62.0;
constexpr double kNeedleLength = 80.0;

// Coloured bands along the scale: quiet, loud enough to need hearing protection, harmful.
constexpr double kCautionLevel = 85.0;
constexpr double kDangerLevel = 110.0;

const QColor kFaceColor(250, 248, 240);
const QColor kInkColor(30, 30, 30);
const QColor kNeedleColor(200, 30, 30);

/// Point at a radius and a needle angle (clockwise from twelve o'clock).
QPointF polar(double radius, double angleDegrees) {
    const double radians = angleDegrees * M_PI / 180.0;
    return {radius * std::sin(radians), -radius * std::cos(radians)};
}

/// QPainter arcs count counter-clockwise from three o'clock, in sixteenths of a degree.
int arcStart(double angleDegrees) {
    return static_cast<int>(std::lround((90.0 - angleDegrees) * 16.0));
}

QFont fontOfSize(double logicalPixels, bool bold) {
    QFont font;
    font.setPixelSize(static_cast<int>(logicalPixels));
    font.setBold(bold);
    return font;
}

} // namespace

NeedleMeter::NeedleMeter(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void NeedleMeter::setValue(double value) {
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void NeedleMeter::setScale(double minimum, double maximum) {
    if (maximum <= minimum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    update();
}

double NeedleMeter::needleAngle(double value, double minimum, double maximum) {
    const double lowStop = kStartAngle - kStopOvershoot;
    const double highStop = kEndAngle + kStopOvershoot;
    if (std::isnan(value) || maximum <= minimum)
        return lowStop;
    const double fraction = (value - minimum) / (maximum - minimum);
    return std::clamp(kStartAngle + fraction * (kEndAngle - kStartAngle), lowStop, highStop);
}

void NeedleMeter::setReadingText(const QString& text) {
    if (text == m_readingText)
        return;
    m_readingText = text;
    update();
}

void NeedleMeter::paintEvent(QPaintEvent*) {
    const double side = std::min(width(), height());
    if (side <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.scale(side / kLogicalSide, side / kLogicalSide);

    paintFace(painter);
    paintBands(painter);
    paintTicks(painter);
    paintLabels(painter);
    paintReading(painter);
    paintNeedle(painter);
}

void NeedleMeter::paintFace(QPainter& painter) const {
    QRadialGradient bezel(QPointF(-30, -30), 2 * kFaceRadius);
    bezel.setColorAt(0, QColor(120, 120, 125));
    bezel.setColorAt(1, QColor(40, 40, 45));
    painter.setPen(Qt::NoPen);
    painter.setBrush(bezel);
    painter.drawEllipse(QPointF(0, 0), kFaceRadius + 3, kFaceRadius + 3);

    QRadialGradient face(QPointF(0, -20), kFaceRadius * 1.2);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, kFaceColor.darker(108));
    painter.setBrush(face);
    painter.drawEllipse(QPointF(0, 0), kFaceRadius, kFaceRadius);

    painter.setPen(kInkColor);
    painter.setFont(fontOfSize(11, false));
    painter.drawText(QRectF(-30, -44, 60, 14), Qt::AlignCenter, QStringLiteral("dB"));
}

void NeedleMeter::paintBands(QPainter& painter) const {
    struct Band {
        double from, to;
        QColor color;
    };
    const Band bands[] = {
        {m_minimum, kCautionLevel, QColor(60, 160, 70)},
        {kCautionLevel, kDangerLevel, QColor(230, 170, 30)},
        {kDangerLevel, m_maximum, QColor(210, 50, 40)},
    };
    const double bandRadius = kScaleRadius + 4;
    const QRectF arcBox(-bandRadius, -bandRadius, 2 * bandRadius, 2 * bandRadius);
    for (const Band& band : bands) {
        const double from = std::clamp(band.from, m_minimum, m_maximum);
        const double to = std::clamp(band.to, m_minimum, m_maximum);
        if (to <= from)
            continue;
        const double startAngle = angleOf(from);
        const double span = angleOf(to) - startAngle;
        painter.setPen(QPen(band.color, 5, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(arcBox, arcStart(startAngle), -static_cast<int>(std::lround(span * 16)));
    }
}

void NeedleMeter::paintTicks(QPainter& painter) const {
    // A tick every dB, longer at 5, longest at 10.
    const int first = static_cast<int>(std::ceil(m_minimum));
    const int last = static_cast<int>(std::floor(m_maximum));
    for (int level = first; level <= last; ++level) {
        const bool major = level % 10 == 0;
        const bool middle = level % 5 == 0;
        const double length = major ? 11 : middle ? 7 : 3.5;
        painter.setPen(QPen(kInkColor,
                            major    ? 2.0
                            : middle ? 1.2
                                     : 0.7,
                            Qt::SolidLine, Qt::FlatCap));
        const double angle = angleOf(level);
        painter.drawLine(polar(kScaleRadius, angle), polar(kScaleRadius - length, angle));
    }
}

void NeedleMeter::paintLabels(QPainter& painter) const {
    painter.setPen(kInkColor);
    painter.setFont(fontOfSize(12, true));
    const int firstLabel = static_cast<int>(std::ceil(m_minimum / 10.0)) * 10;
    for (int level = firstLabel; level <= m_maximum; level += 10) {
        const QPointF centre = polar(kLabelRadius, angleOf(level));
        painter.drawText(QRectF(centre.x() - 15, centre.y() - 8, 30, 16), Qt::AlignCenter,
                         QString::number(level));
    }
}

void NeedleMeter::paintReading(QPainter& painter) const {
    // Low enough to clear the labels at both ends of the scale.
    const QRectF box(-40, 56, 80, 24);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(225, 232, 215));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(kInkColor);
    painter.setFont(fontOfSize(15, true));
    painter.drawText(box, Qt::AlignCenter, m_readingText);
}

void NeedleMeter::paintNeedle(QPainter& painter) const {
    painter.save();
    painter.rotate(angleOf(m_value));
    QPainterPath needle;
    needle.moveTo(-3.2, 12);
    needle.lineTo(-1.0, -kNeedleLength);
    needle.lineTo(1.0, -kNeedleLength);
    needle.lineTo(3.2, 12);
    needle.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40)); // a soft shadow lifts the needle off the face
    painter.drawPath(needle.translated(2, 2));
    painter.setBrush(kNeedleColor);
    painter.drawPath(needle);
    painter.restore();

    QRadialGradient cap(QPointF(-2, -2), 9);
    cap.setColorAt(0, QColor(110, 110, 115));
    cap.setColorAt(1, QColor(20, 20, 25));
    painter.setBrush(cap);
    painter.drawEllipse(QPointF(0, 0), 7, 7);
}

} // namespace nd::panel
