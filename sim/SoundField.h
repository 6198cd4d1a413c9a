#pragma once

#include <cstdint>

namespace nd::sim {

/// The sound the virtual meter hears: a seeded, smoothly wandering level with
/// occasional short peaks. It is a pure function of time, so the same seed and the
/// same times always give the same levels, whatever order they are asked in.
class SoundField {
public:
    explicit SoundField(std::uint32_t seed) : m_seed(seed) {}

    /// Level in dB at `t` seconds after the meter's time origin.
    double levelAt(double t) const;

private:
    double wander(double t, double period, std::uint64_t salt) const;
    double peak(double t) const;
    double random(std::int64_t index, std::uint64_t salt) const;

    std::uint32_t m_seed;
};

} // namespace nd::sim
