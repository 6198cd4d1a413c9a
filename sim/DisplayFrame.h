#pragma once

namespace nd::sim {

/// Bits of the display frame the meter sends for " ".
namespace frame {
// Mode byte.
inline constexpr int kShowsTime = 0x01;
inline constexpr int kShowsDate = 0x02;
inline constexpr int kPaused = 0x04;
inline constexpr int kRunning = 0x08;
inline constexpr int kDoseMode = 0x20;
inline constexpr int kDbaMode = 0x40;
inline constexpr int kGroupedDigits = 0x80;
// Flag byte.
inline constexpr int kMemory = 0x02;
inline constexpr int kLoud = 0x04;
inline constexpr int kPeak = 0x08;
inline constexpr int kDecimalAfter3 = 0x10;
inline constexpr int kDecimalAfter2 = 0x20;
inline constexpr int kOverRange = 0x40;
inline constexpr int kKeyLocked = 0x80;
// Extra byte.
inline constexpr int kBankMask = 0x07;
inline constexpr int kBankSymbol = 0x08;
inline constexpr int kBatteryShift = 5;
// Digit bytes.
inline constexpr int kBlank = 0xBB;
inline constexpr int kOverRangeHigh = 0x0A;
} // namespace frame

/// The four digits of the display (packed BCD, two to a byte) and the flag bits that
/// go with them (decimal point, over range).
struct DisplayDigits {
    int high = 0;
    int low = 0;
    int flags = 0;

    bool operator==(const DisplayDigits&) const = default;
};

/// Two decimal digits as one BCD byte; values outside 0..99 are clamped.
int toBcd(int value);
/// ddd.d; blank below 70 dB, over range above 140 dB.
DisplayDigits levelDigits(double dB);
/// dd.dd below 100 %, ddd.d below 1000 %, then whole percent up to 9999.
DisplayDigits doseDigits(double percent);
/// Two numbers shown as two groups of two digits ("hh:mm", "mm-dd").
DisplayDigits groupedDigits(int left, int right);

inline constexpr double kLowestShownLevel = 70.0;
inline constexpr double kHighestShownLevel = 140.0;

} // namespace nd::sim
