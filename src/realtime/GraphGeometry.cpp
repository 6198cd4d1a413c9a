#include "GraphGeometry.h"

#include <cmath>

namespace nd::realtime {

GraphGeometry GraphGeometry::forClient(int clientWidth, int clientHeight) {
    GraphGeometry g;
    const int usable = std::max(0, clientWidth - kLeftMargin);
    g.plotWidth = usable - usable % kWidthStep;
    g.plotHeight = std::max(0, clientHeight - 100);
    g.baseY = clientHeight - 27;
    return g;
}

double ChartLimits::stepX(int plotWidth) const {
    if (!counts || *counts <= 0)
        return 1.0;
    return static_cast<double>(plotWidth) / *counts;
}

std::optional<double> heightFor(const stored::Level& level, const ChartLimits& limits,
                                int plotHeight) {
    const double above = plotHeight + 5.0;
    constexpr double below = -3.0;
    switch (level.kind) {
    case stored::LevelKind::OverRange:
        return above;
    case stored::LevelKind::UnderRange:
        return below;
    case stored::LevelKind::Level:
        if (level.dB > limits.chartMax)
            return above;
        if (level.dB < limits.chartMin)
            return below;
        return plotHeight * (level.dB - limits.chartMin) / (limits.chartMax - limits.chartMin);
    case stored::LevelKind::NotLevel:
    case stored::LevelKind::Missing:
        break;
    }
    return std::nullopt;
}

QString levelLabelText(double value) {
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('0');
    if (value >= 0)
        text.prepend(QLatin1Char(' '));
    return text;
}

double levelLabelValue(const ChartLimits& limits, int i) {
    return limits.chartMin + (limits.chartMax - limits.chartMin) * i / 8.0;
}

double Sweep::advance() {
    ++m_index;
    if (xAt(m_index) >= m_plotWidth + 2)
        m_index = 0;
    return xAt(m_index);
}

bool Sweep::reaches(double mark) const {
    // The reading whose slot [x, next x) holds the mark; the next x is computed from the
    // count as well, so exactly one reading per sweep claims each mark.
    return xAt(m_index) <= mark && mark < xAt(m_index + 1);
}

SweepMark Sweep::markHere() const {
    if (m_index < 0)
        return SweepMark::None;
    if (m_index == 0 || reaches(m_plotWidth / 2.0))
        return SweepMark::Time;
    if (reaches(m_plotWidth / 4.0) || reaches(3.0 * m_plotWidth / 4.0))
        return SweepMark::Quarter;
    return SweepMark::None;
}

LimitsVerdict checkLimits(const QString& maxText, const QString& minText,
                          const QString& countsText) {
    LimitsVerdict v;
    bool maxOk = false;
    bool minOk = false;
    const double max = maxText.trimmed().toDouble(&maxOk);
    const double min = minText.trimmed().toDouble(&minOk);
    if (!maxOk || !minOk || !std::isfinite(max) || !std::isfinite(min) ||
        max > ChartLimits::kHighest || min < ChartLimits::kLowest || max <= min) {
        v.message = kLevelLimitsMessage;
        return v;
    }
    v.levelsOk = true;
    v.limits = {min, max, std::nullopt};
    bool countsOk = false;
    const int counts = countsText.trimmed().toInt(&countsOk);
    if (!countsOk || counts < ChartLimits::kFewestCounts || counts > ChartLimits::kMostCounts) {
        v.message = kCountLimitsMessage;
        return v;
    }
    v.limits = {min, max, counts};
    return v;
}

} // namespace nd::realtime
