#include "DisplayFrame.h"

#include <algorithm>
#include <cmath>

namespace nd::sim {

namespace {
DisplayDigits fourDigits(long value, int flags) {
    const int v = static_cast<int>(std::clamp(value, 0L, 9999L));
    return {toBcd(v / 100), toBcd(v % 100), flags};
}
} // namespace

int toBcd(int value) {
    const int v = std::clamp(value, 0, 99);
    return (v / 10) << 4 | (v % 10);
}

DisplayDigits levelDigits(double dB) {
    // Judge the level as shown, in tenths, so 69.96 dB is shown as 70.0 and not blank.
    const long tenths = std::lround(dB * 10.0);
    if (tenths < std::lround(kLowestShownLevel * 10.0))
        return {frame::kBlank, frame::kBlank, 0};
    if (tenths > std::lround(kHighestShownLevel * 10.0))
        return {frame::kOverRangeHigh, 0x00, frame::kOverRange};
    return fourDigits(tenths, frame::kDecimalAfter3);
}

DisplayDigits doseDigits(double percent) {
    const double dose = std::max(percent, 0.0);
    if (const long hundredths = std::lround(dose * 100.0); hundredths < 10000)
        return fourDigits(hundredths, frame::kDecimalAfter2);
    if (const long tenths = std::lround(dose * 10.0); tenths < 10000)
        return fourDigits(tenths, frame::kDecimalAfter3);
    return fourDigits(std::lround(dose), 0);
}

DisplayDigits groupedDigits(int left, int right) {
    return {toBcd(left), toBcd(right), 0};
}

} // namespace nd::sim
