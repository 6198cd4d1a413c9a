#pragma once

#include "link/MeterState.h"

#include <QString>

#include <optional>

namespace nd::keypad {

/// The meter's six keys as the keypad window shows them.
enum class Key { Mode, Event, Reset, Clock, Run, Pause };

/// What one press of a keypad button sends: a pause, the key code, a pause.
struct KeyPress {
    double before = 0.0;
    int code = 0;
    double after = 0.0;
};

/// True when the meter's key lock refuses the button ("Key locked!"); RUN ignores the lock.
bool RefusedByLock(Key key, const link::MeterState& state);

/// The press a button makes in this state, or nothing when the button does nothing here:
/// PAUSE while not running; RESET on a date or grouped display; RUN while the link runs
/// its status poll, a setup transfer runs, or the meter shows a time, date or grouped digits.
std::optional<KeyPress> PressFor(Key key, const link::MeterState& state);

QString RunCaption(const link::MeterState& state);   ///< "Encerrar" while running, else "RUN"
QString PauseCaption(const link::MeterState& state); ///< "Continuar" while paused, else "PAUSE"
QString LockCaption(const link::MeterState& state);  ///< "Unlock" while locked, else "Lock"

/// The display copy: which symbols show, the bank label, the battery picture.
struct DisplayCopy {
    bool time = false;  ///< TIME and the colon
    bool date = false;  ///< the date dash
    bool pause = false; ///< PAUSE
    bool run = false;   ///< the run symbol
    bool dose = false;  ///< %DOSE
    bool dba = false;   ///< dBA
    bool mem = false;
    bool loud = false;
    bool peak = false;
    bool point1 = false; ///< decimal point after the third digit
    bool point2 = false; ///< decimal point after the second digit (dose)
    QString bank;        ///< "", "E1" to "E5"
    bool bankVisible = true;
    int battery = 0; ///< picture 0 (empty) to kBatteryPictures - 1 (full)
    bool fast = false;
};

inline constexpr int kBatteryPictures = 6;

/// The copy for this state, given what the previous refresh showed (the bank label keeps
/// its caption for banks 6 and 7 and blinks while the bank symbol is on).
DisplayCopy CopyDisplay(const link::MeterState& state, const DisplayCopy& previous);

/// The battery picture for a level; levels past the last picture show the fullest one.
int BatteryPicture(int level);

} // namespace nd::keypad
