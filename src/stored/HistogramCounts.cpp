#include "HistogramCounts.h"

#include <algorithm>
#include <cmath>

namespace nd::stored {

std::optional<int> binOf(const Level& level, Resolution resolution) {
    const int perDb = resolution == Resolution::OneDb ? 1 : 10;
    const int top = 140 * perDb;
    switch (level.kind) {
    case LevelKind::UnderRange:
        return 70 * perDb;
    case LevelKind::OverRange:
        return top;
    case LevelKind::Level:
        break;
    default:
        return std::nullopt;
    }
    if (level.dB > 140.0)
        return top;
    // The parser gives no negative levels; a level of 0 to 140 dB always has a bin.
    const double scaled = level.dB * perDb;
    const double bin = resolution == Resolution::OneDb ? std::floor(scaled) : std::round(scaled);
    return std::clamp(static_cast<int>(bin), 0, top);
}

HistogramCounts countLevels(const LevelList& list, Resolution resolution) {
    HistogramCounts h;
    h.resolution = resolution;
    h.bins.assign(resolution == Resolution::OneDb ? 141 : 1401, 0);
    for (const LevelRow& row : list.rows) {
        auto bin = binOf(row.level, resolution);
        if (!bin && row.level.kind == LevelKind::NotLevel && row.value.contains(QLatin1Char('-')))
            bin = 70 * h.binsPerDb(); // a broken blank display ("--", "-- -") is under range
        if (bin) {
            ++h.bins[static_cast<std::size_t>(*bin)];
            ++h.counted;
        } else {
            ++h.ignored;
        }
    }
    return h;
}

std::int64_t HistogramCounts::maxCount() const {
    return bins.empty() ? 0 : *std::max_element(bins.begin(), bins.end());
}

std::optional<BinBounds> HistogramCounts::bounds() const {
    const int last = top();
    int low = 1;
    while (low < last && bins[static_cast<std::size_t>(low)] == 0)
        ++low;
    if (low >= last)
        return std::nullopt;
    int high = last - 1;
    while (high > low && bins[static_cast<std::size_t>(high)] == 0)
        --high;
    return BinBounds{low, high};
}

BinRange HistogramCounts::firstView() const {
    const auto b = bounds();
    if (!b)
        return {68.0 * binsPerDb(), 140.0 * binsPerDb()};
    if (resolution == Resolution::OneDb)
        return {double(b->low), double(b->high + 1)};
    return {double(b->low - 5), double(b->high + 5)};
}

BinRange HistogramCounts::resetView() const {
    const auto b = bounds();
    if (!b)
        return firstView();
    return {double(b->low), double(b->high + 1)};
}

double tickStep(double span, double smallest, int most) {
    if (!(span > 0.0) || most < 1)
        return smallest;
    double decade = std::pow(10.0, std::floor(std::log10(std::max(smallest, span / most))));
    for (;;) {
        for (const double m : {1.0, 2.0, 5.0}) {
            const double step = m * decade;
            // A hair of tolerance: 0.1 times 10 is not quite 1.0 in binary.
            if (step >= smallest * (1.0 - 1e-9) && span / step <= most * (1.0 + 1e-9))
                return step;
        }
        decade *= 10.0;
    }
}

QByteArray histogramText(const HistogramCounts& counts, bool csv, const CsvStyle& style) {
    const QByteArray delimiter = csv ? QString(style.delimiter).toUtf8() : QByteArray("\t");
    QByteArray out;
    if (csv)
        out += "dBA" + delimiter + "count\r\n";
    const int decimals = counts.resolution == Resolution::OneDb ? 0 : 1;
    for (int k = 0; k <= counts.top(); ++k) {
        const std::int64_t n = counts.bins[static_cast<std::size_t>(k)];
        if (n == 0)
            continue;
        QByteArray level = QByteArray::number(double(k) / counts.binsPerDb(), 'f', decimals);
        if (csv && style.decimalComma)
            level.replace('.', ',');
        out += level + delimiter + QByteArray::number(static_cast<qlonglong>(n));
        out += csv ? "\r\n" : "\n";
    }
    return out;
}

} // namespace nd::stored
