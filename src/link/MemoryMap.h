#pragma once

#include <cstdint>

/// Addresses of the meter's memory that the program reads or writes, and the byte
/// orders of its 16-bit values. The orders are the meter's own format and differ from
/// value to value.
namespace nd::link::memory {

inline constexpr int kLastAddress = 65535;
inline constexpr int kMemorySize = 65536;

/// Identification code of the logged data: high byte first.
inline constexpr int kIdCodeHigh = 2;
inline constexpr int kIdCodeLow = 3;

/// Logging interval in tenths of a second: low byte first.
inline constexpr int kLogIntervalLow = 18;
inline constexpr int kLogIntervalHigh = 19;

/// Number of stored data sets; 0 after an erase.
inline constexpr int kSetCount = 22;

/// Memory state; bit 0 set means no memory remains.
inline constexpr int kMemoryState = 40;
inline constexpr int kMemoryFullBit = 0x01;

/// Threshold level in dB.
inline constexpr int kThresholdLevel = 59;

/// Dose event banks 1 to 5, 20 bytes each (bank 1 at 60..79, bank 5 at 140..159).
inline constexpr int kFirstBank = 1;
inline constexpr int kLastBank = 5;
inline constexpr int kBankRecordSize = 20;
constexpr int bankRecordStart(int bank) {
    return 20 * bank + 40;
}
/// Read once before a bank is read.
inline constexpr int kBankPrelude = 101;
/// Bank b's six-byte area, cleared with 255 when the bank is not in use (i = 1..6).
constexpr int bankClearCell(int bank, int i) {
    return 31226 + 6 * bank + i;
}
inline constexpr int kBankClearCells = 6;
inline constexpr int kClearedCell = 255;

/// Pointer table, low byte first: the word at setPointerLow(i) is the start of data
/// set i; the word at setPointerLow(n + 1) is one past the end of the logged data.
constexpr int setPointerLow(int set) {
    return 510 + 2 * set;
}
constexpr int setPointerHigh(int set) {
    return 511 + 2 * set;
}
/// Where the end of the logged data is read, for n stored sets.
constexpr int dataEndLow(int setCount) {
    return setPointerLow(setCount + 1);
}
constexpr int dataEndHigh(int setCount) {
    return setPointerHigh(setCount + 1);
}
/// End of the logged data when no set is stored: the cells below it are the header.
inline constexpr int kEmptyDataEnd = 768;

/// The "U" dump sends one extra byte first: dump byte k + 2 (counting from 1) is cell k.
inline constexpr int kDumpLeadBytes = 1;

constexpr std::uint8_t highByte(int value) {
    return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
constexpr std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
constexpr int word(int high, int low) {
    return high * 256 + low;
}

} // namespace nd::link::memory
