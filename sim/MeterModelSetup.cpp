// The virtual meter's setup mode as the model sees it: the walk itself is SetupMenu.
#include "MeterModel.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <cmath>

namespace nd::sim {

SetupMenu::Settings MeterModel::setupSettings() const {
    return {m_criterionCode, m_exchangeCode, m_fast, cell(link::memory::kThresholdLevel)};
}

void MeterModel::pressInSetup(int code, double now) {
    SetupMenu::Settings settings = setupSettings();
    const std::optional<QDateTime> clock = m_setup.press(code, settings);
    m_criterionCode = settings.criterionCode;
    m_exchangeCode = settings.exchangeCode;
    m_fast = settings.fast;
    setCell(link::memory::kThresholdLevel, settings.threshold);
    if (clock) {
        // The clock runs on from the set time, seconds at zero.
        m_calendarStart = clock->addMSecs(-std::llround((now - m_timeOrigin) * 1000.0));
    }
    if (!m_setup.active()) {
        // The meter comes out of setup on the display after dBA; three MODE presses
        // bring it round to dBA again.
        m_display = Display::Dose;
    }
}

QByteArray MeterModel::setupFrame(double dB) const {
    const DisplayDigits digits = m_setup.digits(setupSettings());
    QByteArray out;
    for (int b : {int(link::kStx), m_setup.modeByte(), digits.flags | indicatorFlags(dB),
                  digits.high, digits.low, extraByte(), int(link::kEtx)})
        out.append(static_cast<char>(b));
    return out;
}

} // namespace nd::sim
