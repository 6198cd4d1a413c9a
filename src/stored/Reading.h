#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace nd::link {
struct MeterState;
}

namespace nd::stored {

/// What a level text stands for.
enum class LevelKind {
    Level,      ///< a measured level in dB
    OverRange,  ///< "OL": above the meter's range
    UnderRange, ///< "----": a blank display or a level below 70 dB
    NotLevel,   ///< something else: a dose, a clock, junk
    Missing,    ///< no reading at all (empty text, or a meter that stopped answering)
};

/// Bounds used for the two range texts, so counting and plotting can place them.
inline constexpr double kOverRangeBound = 140.0;
inline constexpr double kUnderRangeBound = 70.0;

/// A level as the program counts it: the kind, and dB for Level (the bound for the two
/// range kinds, 0 otherwise).
struct Level {
    LevelKind kind = LevelKind::Missing;
    double dB = 0.0;

    /// True for the kinds that carry a level or a bound (Level, OverRange, UnderRange).
    bool isSound() const {
        return kind == LevelKind::Level || kind == LevelKind::OverRange ||
               kind == LevelKind::UnderRange;
    }
    friend bool operator==(const Level&, const Level&) = default;
};

/// The one parser of level texts: "OL", "----", a number with a decimal point such as
/// "94.5" or "142.0" (the meter's beyond-the-top display, kept as the number it shows),
/// empty (Missing) or anything else (NotLevel, also a number without a point such as a
/// "120" %DOSE reading). Blanks around the text are ignored.
Level parseLevel(QStringView text);

/// One reading of the meter as the main window shows it, classified once.
struct Reading {
    QDateTime wallTime;
    double monotonic = 0.0; ///< seconds on the program's monotonic clock
    QString text;           ///< the value caption
    Level level;
};

/// The reading of a published meter state: the display rules' text, and its kind from
/// the same frame (NotLevel unless the meter shows dBA).
Reading readingFrom(const link::MeterState& state, const QDateTime& wallTime, double monotonic);

/// Tells a fresh reading from a stale one. A reading is fresh while a display frame was
/// decoded (PollCount advanced) within the last kFreshFor seconds; a meter that stopped
/// answering can then never put its last value into a file, a list or a graph again.
class FreshReading {
public:
    static constexpr double kFreshFor = 1.0;

    /// Feed every published state, with the monotonic time it arrived.
    void observe(const link::MeterState& state, double monotonic);
    /// The reading at `monotonic`: the last one if still fresh, else one of kind Missing.
    Reading at(const QDateTime& wallTime, double monotonic) const;
    bool isFresh(double monotonic) const;

private:
    std::uint64_t m_pollCount = 0;
    double m_advancedAt = -1.0;
    Reading m_last;
    bool m_answering = false;
};

} // namespace nd::stored
