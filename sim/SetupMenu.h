#pragma once

#include "DisplayFrame.h"

#include <QDateTime>

#include <optional>

namespace nd::sim {

/// The meter's own setup mode, entered with the setup key (128). It walks through its
/// items in a fixed order: EVENT (2) steps the shown value up, MODE+EVENT (3) down,
/// CLOCK (8) confirms it and moves on, RESET (4) ends the walk and MODE+RESET (5)
/// leaves it at once. Dose settings change live (the status byte and the threshold cell
/// follow each step); the clock is edited on a frozen copy and set when the walk ends.
class SetupMenu {
public:
    enum class Item {
        Criterion,
        Threshold,
        Exchange,
        YearHigh,
        YearLow,
        Month,
        Day,
        Hour,
        Minute,
        Weighting,
    };

    /// The settings the walk edits in place.
    struct Settings {
        int criterionCode = 0; ///< 0..3: 80, 84, 85, 90 dB
        int exchangeCode = 0;  ///< 0..3: 3, 4, 5, 6 dB
        bool fast = false;
        int threshold = 80;
    };

    bool active() const { return m_active; }
    Item item() const { return m_item; }

    /// Enters the walk at its first item with the meter's clock as it reads now.
    void enter(const QDateTime& clock);
    /// A key pressed while in setup. Returns the clock to set when the walk ends with it.
    std::optional<QDateTime> press(int code, Settings& settings);

    /// What the display shows for the current item.
    DisplayDigits digits(const Settings& settings) const;
    int modeByte() const;

    static constexpr int kLowestThreshold = 70;
    static constexpr int kHighestThreshold = 90;

private:
    void step(int direction, Settings& settings);
    QDateTime editedClock() const;

    bool m_active = false;
    Item m_item = Item::Criterion;
    int m_yearHigh = 20;
    int m_yearLow = 0;
    int m_month = 1;
    int m_day = 1;
    int m_hour = 0;
    int m_minute = 0;
};

} // namespace nd::sim
