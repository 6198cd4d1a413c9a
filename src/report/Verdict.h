#pragma once

#include "Measurement.h"
#include "stored/Exposure.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace nd::report {

/// The rules a measurement is judged against.
enum class Regulation {
    Eu,   ///< Directive 2003/10/EC: LEX,8h against the three exposure values
    Osha, ///< 29 CFR 1910.95: TWA against the action level and the PEL
};

/// "eu" or "osha"; nothing for anything else.
std::optional<Regulation> parseRegulation(const QString& key);
QString regulationKey(Regulation r);
/// "Directive 2003/10/EC", "29 CFR 1910.95".
QString regulationName(Regulation r);
/// The dose standard a regulation is usually read with: "iso" for the EU, "osha-pel".
QString defaultStandardKey(Regulation r);

/// One threshold of a regulation: its name, its value, the figure measured against it.
struct ThresholdLine {
    QString name;   ///< "lower exposure action value", "action level", ...
    QString figure; ///< "LEX,8h", "TWA"
    double value = 0.0;
    QString valueText;              ///< "80 dB(A)", "85 dBA (50 % dose)"
    std::optional<double> measured; ///< none when the data give no such figure
    QString measuredText;           ///< "84.3 dB(A)", "88.1 dBA (62.5 % dose)", "not known"
    bool reached = false;
};

/// The EU thresholds against one LEX,8h (the cautious reading adds U to it beforehand).
std::vector<ThresholdLine> euThresholds(std::optional<double> lex8h);

/// Where a measurement stands against a regulation.
struct Verdict {
    Regulation regulation = Regulation::Eu;
    std::vector<ThresholdLine> lines;
    /// Why the data cannot support the verdict as it stands; empty when they can.
    QStringList limits;
    /// What the regulation asks of the verdict that this meter does not measure.
    QStringList notes;

    /// The highest threshold reached, or "none reached".
    QString summary() const;
};

/// A measurement covering less than this of the shift is only part of the day.
inline constexpr double kShiftHours = 8.0;
/// More missing time than this share of the measurement leaves the verdict open.
inline constexpr double kMissingShare = 0.05;

/// Samples a recording did not get: the gaps in the row numbering.
int missingSamples(const stored::LevelList& list);

/// Judges the measurement's levels: the EU against LEX,8h; OSHA against the TWA under the
/// hearing-conservation settings (action level) and under the PEL settings (PEL), each
/// computed by computeExposure. The limits say where the data fall short of a verdict.
Verdict judge(const stored::LevelList& list, Regulation regulation);

/// The field calibration check before and after a measurement.
struct CalibrationCheck {
    std::optional<double> before;
    std::optional<double> after;
    std::optional<double> drift; ///< |after - before|, when both are known
    bool fit = true;             ///< false when the drift is over kMaxDrift
    QString text;                ///< one sentence for the report
};
/// A drift over this many dB makes a measurement unfit for an assessment.
inline constexpr double kMaxDrift = 0.5;
CalibrationCheck calibrationCheck(std::optional<double> before, std::optional<double> after);

} // namespace nd::report
