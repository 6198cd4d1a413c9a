#pragma once

#include "Csv.h"
#include "LevelList.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace nd::stored {

/// The two resolutions of the level histogram.
enum class Resolution {
    OneDb,   ///< bins 0 to 140: bin k holds k to just below k + 1 dB
    TenthDb, ///< bins 0 to 1400: bin k holds the levels that round to k / 10 dB
};

/// The first and last filled bin between bin 1 and the top bin (both excluded).
struct BinBounds {
    int low = 0;
    int high = 0;
};

/// A view range of the histogram's x axis, in bin numbers.
struct BinRange {
    double from = 0.0;
    double to = 0.0;
    friend bool operator==(const BinRange&, const BinRange&) = default;
};

/// Level counts in one resolution. "----" (and any other text holding a "-") goes to the
/// 70 dB bin, "OL" and levels above 140 dB to the top bin. Counts are 64-bit: 86,400 rows of one
/// level fit in one bin.
struct HistogramCounts {
    Resolution resolution = Resolution::OneDb;
    std::vector<std::int64_t> bins; ///< 141 or 1401 bins
    std::int64_t counted = 0;
    int ignored = 0; ///< rows whose value is no level (nothing, a dose, junk)

    int top() const { return static_cast<int>(bins.size()) - 1; }
    /// Bins per dB: 1 or 10.
    int binsPerDb() const { return resolution == Resolution::OneDb ? 1 : 10; }
    std::int64_t maxCount() const;
    /// The bounds of the filled bins, scanning from both array ends; nothing when no bin
    /// strictly between 0 and the top is filled (an empty list, or only bounds).
    std::optional<BinBounds> bounds() const;
    /// The first view: low to high + 1 at 1 dB, low - 5 to high + 5 at 0.1 dB. Bin k is
    /// drawn at x = k. Without bounds: the whole design range (68 to 140 dB).
    BinRange firstView() const;
    /// The view "Reset" brings back: low to high + 1 in both resolutions (720 to 951 for
    /// levels 72.0 to 95.0 at 0.1 dB). Without bounds, as the first view.
    BinRange resetView() const;
};

/// The distance between axis ticks: the smallest 1, 2 or 5 times a power of ten, not
/// below `smallest`, that puts at most `most` steps across `span`. Counts take whole
/// steps (smallest 1); the level axis steps of at least one bin.
double tickStep(double span, double smallest, int most = 10);

/// The bin of one level in a resolution; nothing for texts that are no level.
std::optional<int> binOf(const Level& level, Resolution resolution);
HistogramCounts countLevels(const LevelList& list, Resolution resolution);

/// The non-empty bins as text: one "level<TAB>count" line each (the level of the bin's
/// lower edge at 1 dB, of its middle at 0.1 dB), or as CSV with a header in the style's
/// delimiter and decimal sign.
QByteArray histogramText(const HistogramCounts& counts, bool csv, const CsvStyle& style = {});

} // namespace nd::stored
