#include "SoundField.h"

#include <algorithm>
#include <cmath>

namespace nd::sim {

namespace {
constexpr double kMeanLevel = 80.0;
constexpr double kQuietest = 35.0;
constexpr double kLoudest = 150.0;

// Three layers of wandering: slow changes of the work, busy minutes, and a flutter.
struct Layer {
    double period;
    double depth;
};
constexpr Layer kLayers[] = {{120.0, 12.0}, {15.0, 6.0}, {1.5, 2.5}};

// Peaks: each slot of this length may hold one short, loud event.
constexpr double kPeakSlot = 20.0;
constexpr double kPeakChance = 0.15;
constexpr double kPeakMinLength = 0.3;
constexpr double kPeakMaxLength = 2.0;
constexpr double kPeakMinHeight = 15.0;
constexpr double kPeakMaxHeight = 35.0;
constexpr std::uint64_t kPeakSalt = 0x9E37;

std::uint64_t splitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double smoothStep(double f) {
    return f * f * (3.0 - 2.0 * f);
}
} // namespace

double SoundField::random(std::int64_t index, std::uint64_t salt) const {
    const std::uint64_t mixed =
        splitMix(splitMix(m_seed ^ (salt << 32)) ^ static_cast<std::uint64_t>(index));
    return static_cast<double>(mixed >> 11) * 0x1.0p-53; // [0, 1)
}

double SoundField::wander(double t, double period, std::uint64_t salt) const {
    const double position = t / period;
    const double cell = std::floor(position);
    const auto index = static_cast<std::int64_t>(cell);
    const double a = 2.0 * random(index, salt) - 1.0;
    const double b = 2.0 * random(index + 1, salt) - 1.0;
    return a + (b - a) * smoothStep(position - cell);
}

double SoundField::peak(double t) const {
    const auto slot = static_cast<std::int64_t>(std::floor(t / kPeakSlot));
    if (random(slot, kPeakSalt) >= kPeakChance)
        return 0.0;
    const double length =
        kPeakMinLength + (kPeakMaxLength - kPeakMinLength) * random(slot, kPeakSalt + 1);
    const double start =
        static_cast<double>(slot) * kPeakSlot + (kPeakSlot - length) * random(slot, kPeakSalt + 2);
    if (t < start || t > start + length)
        return 0.0;
    const double height =
        kPeakMinHeight + (kPeakMaxHeight - kPeakMinHeight) * random(slot, kPeakSalt + 3);
    // A fast rise and a slower decay, like a slammed door.
    const double phase = (t - start) / length;
    return height * (phase < 0.1 ? phase / 0.1 : 1.0 - (phase - 0.1) / 0.9);
}

double SoundField::levelAt(double t) const {
    double level = kMeanLevel;
    std::uint64_t salt = 1;
    for (const Layer& layer : kLayers)
        level += layer.depth * wander(t, layer.period, salt++);
    return std::clamp(level + peak(t), kQuietest, kLoudest);
}

} // namespace nd::sim
