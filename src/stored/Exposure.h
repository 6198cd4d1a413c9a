#pragma once

#include "LevelList.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <optional>
#include <utility>

namespace nd::stored {

/// A noise exposure standard: the level allowed for 8 hours (criterion), the exchange
/// rate (dB that halve the allowed time) and the threshold below which a level adds no
/// dose (none: every level counts).
struct Standard {
    QString key;  ///< short name for the command line and the settings: "osha-pel", ...
    QString name; ///< as the combo box shows it
    double criterion = 90.0;
    double exchange = 5.0;
    std::optional<double> threshold;
};

/// The fixed presets in combo order: OSHA PEL, OSHA hearing conservation, NIOSH REL,
/// ISO 1999 / EU 2003/10. "As meter" (key "meter") is not among them: its values come
/// from the meter or the command line, see meterStandard().
const QList<Standard>& standardPresets();
inline constexpr char kMeterStandardKey[] = "meter";
/// "As meter": the criterion, exchange rate and threshold in effect on the meter.
Standard meterStandard(double criterion, double exchange, std::optional<double> threshold);
/// A preset by its key; nothing for an unknown key (and for "meter").
std::optional<Standard> presetByKey(const QString& key);

/// The exposure figures of a level list under one standard.
struct Exposure {
    Standard standard;
    int samples = 0;      ///< rows with a level ("OL" and "----" included)
    int ignored = 0;      ///< rows whose value is no level (a dose, junk, nothing)
    int clampedOver = 0;  ///< "OL" rows, counted as 140.0 dB
    int clampedUnder = 0; ///< "----" rows, counted as 70.0 dB
    int gaps = 0;         ///< spacings longer than kGapFactor x the pace on both sides
    double gapSeconds = 0.0;
    double durationSeconds = 0.0; ///< measured time: the samples' times, gaps left out
    bool timed = false;           ///< false when no spacing could be told from the stamps
    double laeq = 0.0;
    double lmax = 0.0;
    double lmin = 0.0;
    double l10 = 0.0;
    double l50 = 0.0;
    double l90 = 0.0;
    double dosePercent = 0.0;
    std::optional<double> twa; ///< none for a dose of 0
    std::optional<double> projectedDosePercent;
    std::optional<double> lex8h;

    bool hasLevels() const { return samples > 0; }
};

/// A spacing longer than this many times the pace on both sides of it is a gap in the
/// measurement; the pace on a side is the median of up to kPaceSpan spacings there.
inline constexpr double kGapFactor = 3.0;
inline constexpr std::size_t kPaceSpan = 8;
inline constexpr double kEightHours = 8.0 * 3600.0;

/// The exposure of the list's levels under the standard. Each sample stands for the
/// spacing to the next sample's stamp; the last one, one whose stamp is missing or out of
/// order, and the one before a gap stand for the pace just before them. A changed
/// sampling interval is a new pace, not a gap. Without any spacing
/// (fewer than two stamps) the samples weigh alike and no duration, dose or LEX is given.
Exposure computeExposure(const LevelList& list, const Standard& standard);

/// TWA from a dose in percent: criterion + (exchange / log10 2) x log10(dose / 100).
std::optional<double> twaFromDose(double dosePercent, double criterion, double exchange);

/// The figures as label/value pairs, the same lines for the window and the command line.
QList<std::pair<QString, QString>> exposureRows(const Exposure& e);
/// What the figures rest on, when not plain: clamped samples (then the figures are
/// bounds), gaps, ignored rows. Empty when there is nothing to say.
QStringList exposureRemarks(const Exposure& e);
/// "1 h 02 min 05 s", "45 s".
QString durationText(double seconds);
/// One JSON object with the keys of the command line's --json.
QByteArray exposureJson(const Exposure& e);

} // namespace nd::stored
