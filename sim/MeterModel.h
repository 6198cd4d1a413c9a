#pragma once

#include "EventBanks.h"
#include "SetupMenu.h"
#include "SoundField.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <vector>

namespace nd::sim {

/// The inside of the virtual meter: its memory, dose settings, measurement run, display
/// and keys. It knows nothing of the serial line (VirtualMeter adds that) and is not
/// thread-safe on its own. Every call that takes `now` first brings the dose up to that
/// time, so the dose depends only on the sound and on when keys were pressed.
class MeterModel {
public:
    MeterModel(std::uint32_t seed, QDateTime calendarStart, double timeOrigin);

    // Memory.
    int cell(int address) const;
    void setCell(int address, int value);
    /// First free address after the logged data, from the pointer table.
    int loggedDataEnd() const;
    /// What "U" sends: the lead byte, then cells 0 up to the end of the logged data.
    QByteArray dumpImage() const;
    /// "EEE": no data sets, memory no longer full.
    void erase();

    // Dose settings.
    int statusByte() const;
    /// False (nothing changed) unless the meter offers these values.
    bool setDoseSettings(int criterionLevel, int exchangeRate);
    void setFastResponse(bool fast) { m_fast = fast; }
    int criterionLevel() const;
    int exchangeRate() const;

    // Sound and dose.
    double level(double now) const;
    void setFixedLevel(double dB) { m_fixedLevel = dB; }
    double dose(double now);

    // Keys and display.
    void pressKeys(int code, double now);
    QByteArray displayFrame(double now);
    void setKeyLocked(bool locked) { m_keyLocked = locked; }
    void setBatteryLevel(int level);
    QDateTime calendarAt(double now) const;
    int setupEntries() const { return m_setupEntries; }
    /// The event bank the running measurement goes into, 0 when none runs.
    int recordingBank() const;

private:
    enum class Display { Dba, Dose, Time, Date };
    enum class Run { Stopped, Running, Paused };

    void advance(double now);
    void expose(double dB, double at, double seconds);
    /// Starts or finishes the event bank record when a key started or ended a run.
    void followRun(Run before, double now);
    int modeByte() const;
    int indicatorFlags(double dB) const;
    int extraByte() const;

    void nextDisplay();
    void toggleClock();
    void nextBank();
    void reset();
    void runOrPause();
    void endRun();
    void resume();
    void enterSetup(double now);
    // Setup mode (MeterModelSetup.cpp).
    SetupMenu::Settings setupSettings() const;
    void pressInSetup(int code, double now);
    QByteArray setupFrame(double dB) const;

    std::vector<std::uint8_t> m_memory;
    SoundField m_sound;
    QDateTime m_calendarStart;
    double m_timeOrigin;
    double m_fixedLevel = 0.0;

    int m_criterionCode = 3; // 90 dB
    int m_exchangeCode = 2;  // 5 dB
    bool m_fast = false;

    Run m_run = Run::Stopped;
    double m_dose = 0.0;
    double m_measuredUntil;
    bool m_peakSeen = false;

    Display m_display = Display::Dba;
    Display m_beforeClock = Display::Dba;
    int m_bank = 1;
    bool m_bankSymbol = false;
    int m_battery = 7;
    bool m_keyLocked = false;
    int m_setupEntries = 0;
    EventBanks m_events;
    SetupMenu m_setup;
};

} // namespace nd::sim
