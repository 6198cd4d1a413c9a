#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>

namespace nd::link {

/// Everything the program knows about the meter, decoded from the status byte and the
/// display frame, plus the link's own values. The link thread owns the master copy and
/// publishes copies of it; windows only ever read a copy.
struct MeterState {
    // Status byte ("X").
    int CriterionLevel = 0;
    int ExchangeRate = 0;
    bool FastResponse = false;
    QString TimeWeightingText;
    bool StatusFlag5 = false;
    bool StatusFlag6 = false;
    bool StatusFlag7 = false;

    // Threshold level, read from cell 59 by StatusPoll; empty until then.
    QString ThresholdText;

    // Display frame (" "): the last bytes seen, to skip decoding when nothing changed.
    int LastModeByte = -1;
    int LastFlagByte = -1;
    int LastDigitsHigh = -1;
    int LastDigitsLow = -1;
    int LastExtraByte = -1;

    // Mode byte.
    bool ShowsTime = false;
    bool ShowsDate = false;
    bool Paused = false;
    bool Running = false;
    bool DoseMode = false;
    bool DbaMode = false;
    bool GroupedDigits = false;

    // Flag byte.
    bool FlagBit0 = false;
    bool MemoryIndicator = false;
    bool LoudIndicator = false;
    bool PeakIndicator = false;
    bool DecimalAfter3 = false;
    bool DecimalAfter2 = false;
    bool OverRange = false;
    bool KeyLocked = false;

    // Digits.
    QString Digit1, Digit2, Digit3, Digit4;
    QString DisplayText;
    double DisplayNumber = 0.0;

    // Extra byte.
    int BankNumber = 0;
    bool BankIndicator = false;
    int BatteryLevel = 0;

    // Link values.
    int CellValue = 0;
    QString CellChar;
    bool LinkBusy = false;
    bool StatusCheckPending = false;
    bool Online = false;
    bool SettingUp = false;
    /// "No COM" while the meter is silent, "COM3" (or the device name) once it answers.
    QString LinkCaption = QStringLiteral("No COM");
    /// Counts good display reads of the main poll; a window sees a fresh reading when it grows.
    std::uint64_t PollCount = 0;
};

/// The eight-hour time-weighted average of a dose.
struct Twa {
    double TwaValue = 0.0;
    int TwaTenths = 0;
};

void DecodeStatusByte(MeterState& state, int b);
void DecodeModeByte(MeterState& state, int b);
void DecodeFlagByte(MeterState& state, int b);
/// Packed BCD. Nibble B blanks the display ("----", 67.9), else nibble A is over range
/// (" OL ", 140.0). The meter never sends C to F in a reading; if it does, the letters
/// are shown as they are and DisplayNumber is 0, so no level is made up from them.
void DecodeDisplayDigits(MeterState& state, int high, int low);
void DecodeExtraByte(MeterState& state, int b);

/// Time-weighted average from a dose in percent, criterion level and exchange rate.
Twa ComputeTwa(double dosePercent, int criterionLevel, int exchangeRate);
/// Base-10 logarithm, 0 for x = 0.
double Log10(double x);

/// The main window's value text for the current display (the "display rules").
QString DisplayValueText(const MeterState& state);

inline constexpr double kBlankDisplayNumber = 67.9;
inline constexpr double kOverRangeDisplayNumber = 140.0;

} // namespace nd::link

Q_DECLARE_METATYPE(nd::link::MeterState)
