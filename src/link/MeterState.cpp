#include "MeterState.h"

#include <cmath>

namespace nd::link {

namespace {

bool bit(int value, int index) {
    return ((value >> index) & 1) != 0;
}

QString hexNibble(int nibble) {
    return QString::number(nibble, 16).toUpper();
}

bool hasNibble(int byte, int nibble) {
    return (byte >> 4) == nibble || (byte & 0x0F) == nibble;
}

/// The digit text read as a decimal number and written without leading zeros. Like a
/// person reading the display, it skips blanks and stops at the first character that is
/// not a digit, so " OL" or a hexadecimal letter reads as far as it is a number (0 if not
/// at all) and the value text never holds anything but digits and the separators.
QString N(const QString& digits) {
    qlonglong value = 0;
    for (const QChar c : digits) {
        if (c == QLatin1Char(' '))
            continue;
        if (!c.isDigit())
            break;
        value = value * 10 + c.digitValue();
    }
    return QString::number(value);
}

} // namespace

void DecodeStatusByte(MeterState& state, int b) {
    static constexpr int kCriterion[] = {80, 84, 85, 90};
    static constexpr int kExchange[] = {3, 4, 5, 6};
    state.CriterionLevel = kCriterion[b % 4];
    state.ExchangeRate = kExchange[(b / 4) % 4];
    state.FastResponse = bit(b, 4);
    state.TimeWeightingText = state.FastResponse ? QStringLiteral("Fast") : QStringLiteral("Slow");
    state.StatusFlag5 = bit(b, 5);
    state.StatusFlag6 = bit(b, 6);
    state.StatusFlag7 = bit(b, 7);
}

void DecodeModeByte(MeterState& state, int b) {
    state.ShowsTime = bit(b, 0);
    state.ShowsDate = bit(b, 1);
    state.Paused = bit(b, 2);
    state.Running = bit(b, 3);
    state.DoseMode = bit(b, 5);
    state.DbaMode = bit(b, 6);
    state.GroupedDigits = bit(b, 7);
}

void DecodeFlagByte(MeterState& state, int b) {
    state.FlagBit0 = bit(b, 0);
    state.MemoryIndicator = bit(b, 1);
    state.LoudIndicator = bit(b, 2);
    state.PeakIndicator = bit(b, 3);
    state.DecimalAfter3 = bit(b, 4);
    state.DecimalAfter2 = bit(b, 5);
    state.OverRange = bit(b, 6);
    state.KeyLocked = bit(b, 7);
}

void DecodeDisplayDigits(MeterState& state, int high, int low) {
    if (hasNibble(high, 0xB) || hasNibble(low, 0xB)) {
        state.Digit1 = state.Digit2 = state.Digit3 = state.Digit4 = QStringLiteral("-");
        state.DisplayText = QStringLiteral("----");
        state.DisplayNumber = kBlankDisplayNumber;
        return;
    }
    if (hasNibble(high, 0xA) || hasNibble(low, 0xA)) {
        state.Digit1 = QStringLiteral(" ");
        state.Digit2 = QStringLiteral("O");
        state.Digit3 = QStringLiteral("L");
        state.Digit4 = QStringLiteral(" ");
        state.DisplayText = QStringLiteral(" OL ");
        state.DisplayNumber = kOverRangeDisplayNumber;
        return;
    }
    state.Digit1 = hexNibble(high >> 4);
    state.Digit2 = hexNibble(high & 0x0F);
    state.Digit3 = hexNibble(low >> 4);
    state.Digit4 = hexNibble(low & 0x0F);
    state.DisplayText = state.Digit1 + state.Digit2 + state.Digit3 + state.Digit4;
    bool decimal = false;
    const int number = state.DisplayText.toInt(&decimal, 10);
    state.DisplayNumber = decimal ? number : 0.0;
}

void DecodeExtraByte(MeterState& state, int b) {
    state.BankNumber = b % 8;
    state.BankIndicator = bit(b, 3);
    state.BatteryLevel = b / 32;
}

double Log10(double x) {
    return x == 0 ? 0.0 : std::log10(x);
}

Twa ComputeTwa(double dosePercent, int criterionLevel, int exchangeRate) {
    double q = 0.0;
    switch (exchangeRate) {
    case 3:
        q = 10.0;
        break;
    case 4:
        q = 13.29;
        break;
    case 5:
        q = 16.61;
        break;
    case 6:
        q = 20.0;
        break;
    default:
        break;
    }
    const double l = Log10(dosePercent / 100.0);
    Twa twa;
    // A tiny allowance keeps exact tenths (90.0 computed as 89.99999...) from dropping.
    twa.TwaTenths = static_cast<int>(std::floor((criterionLevel + q * l) * 10.0 + 1e-9));
    twa.TwaValue = twa.TwaTenths / 10.0;
    return twa;
}

QString DisplayValueText(const MeterState& s) {
    const QString& d1 = s.Digit1;
    const QString& d2 = s.Digit2;
    const QString& d3 = s.Digit3;
    const QString& d4 = s.Digit4;
    if (s.GroupedDigits) {
        const QString separator = s.ShowsTime   ? QStringLiteral(":")
                                  : s.ShowsDate ? QStringLiteral("-")
                                                : QStringLiteral(" ");
        return N(d1 + d2) + separator + N(d3) + N(d4);
    }
    if (s.DbaMode) {
        if (s.DisplayText == QLatin1String("----"))
            return d1 + d2 + d3 + d4;
        if (s.OverRange)
            return QStringLiteral("OL");
        const QString t = N(d1 + d2 + d3) + QLatin1Char('.') + N(d4);
        // The meter shows 0000 when the level is beyond its top end.
        return t == QLatin1String("0.0") ? QStringLiteral("142.0") : t;
    }
    if (s.ShowsTime)
        return N(d1 + d2) + QLatin1Char(':') + N(d3) + N(d4);
    if (s.ShowsDate)
        return N(d1 + d2) + QLatin1Char('-') + N(d3) + N(d4);
    if (s.DecimalAfter3)
        return N(d1 + d2 + d3) + QLatin1Char('.') + N(d4);
    if (s.DecimalAfter2)
        return N(d1 + d2) + QLatin1Char('.') + N(d3) + N(d4);
    return N(d1 + d2) + N(d3) + N(d4);
}

} // namespace nd::link
