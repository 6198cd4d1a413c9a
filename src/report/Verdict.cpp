#include "Verdict.h"

#include <cmath>

namespace nd::report {

namespace {

QString dB(double value, const char* unit) {
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(unit));
}

QString percent(double value) {
    return QStringLiteral("%1 %").arg(value, 0, 'f', 1);
}

/// An OSHA line: the TWA and dose under one preset, reached at `dose` percent.
ThresholdLine oshaLine(const stored::LevelList& list, const char* presetKey, const QString& name,
                       double twa, double dose) {
    const stored::Exposure e = stored::computeExposure(list, *stored::presetByKey(presetKey));
    ThresholdLine line{name,         QStringLiteral("TWA"),
                       twa,          QStringLiteral("TWA %1 dBA (%2 % dose)").arg(twa).arg(dose),
                       std::nullopt, QStringLiteral("not known"),
                       false};
    if (e.timed) {
        line.measured = e.twa.value_or(0.0);
        line.measuredText =
            e.twa
                ? QStringLiteral("TWA %1 (%2 dose)").arg(dB(*e.twa, "dBA"), percent(e.dosePercent))
                : QStringLiteral("no dose");
        line.reached = e.dosePercent >= dose - 1e-9;
    }
    return line;
}

} // namespace

std::optional<Regulation> parseRegulation(const QString& key) {
    if (key == QLatin1String("eu"))
        return Regulation::Eu;
    if (key == QLatin1String("osha"))
        return Regulation::Osha;
    return std::nullopt;
}

QString regulationKey(Regulation r) {
    return r == Regulation::Eu ? QStringLiteral("eu") : QStringLiteral("osha");
}

QString regulationName(Regulation r) {
    return r == Regulation::Eu ? QStringLiteral("Directive 2003/10/EC")
                               : QStringLiteral("29 CFR 1910.95");
}

QString defaultStandardKey(Regulation r) {
    return r == Regulation::Eu ? QStringLiteral("iso") : QStringLiteral("osha-pel");
}

std::vector<ThresholdLine> euThresholds(std::optional<double> lex8h) {
    const struct {
        const char* name;
        double value;
    } values[] = {{"lower exposure action value", 80.0},
                  {"upper exposure action value", 85.0},
                  {"exposure limit value", 87.0}};
    std::vector<ThresholdLine> lines;
    for (const auto& v : values) {
        ThresholdLine line{QLatin1String(v.name),
                           QStringLiteral("LEX,8h"),
                           v.value,
                           QStringLiteral("LEX,8h %1 dB(A)").arg(v.value),
                           lex8h,
                           lex8h ? QStringLiteral("LEX,8h %1").arg(dB(*lex8h, "dB(A)"))
                                 : QStringLiteral("not known"),
                           false};
        // Judged on the figure as printed, so the page never shows 80.0 "not reached".
        line.reached = lex8h && std::round(*lex8h * 10.0) / 10.0 >= v.value;
        lines.push_back(line);
    }
    return lines;
}

QString Verdict::summary() const {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->reached)
            return QStringLiteral("%1 reached").arg(it->name);
    }
    for (const ThresholdLine& line : lines) {
        if (!line.measured)
            return QStringLiteral("no verdict");
    }
    return QStringLiteral("none reached");
}

int missingSamples(const stored::LevelList& list) {
    int missing = 0;
    std::optional<long long> previous;
    for (const stored::LevelRow& row : list.rows) {
        bool ok = false;
        const long long number = row.number.toLongLong(&ok);
        if (!ok)
            continue;
        if (previous && number > *previous + 1)
            missing += static_cast<int>(number - *previous - 1);
        previous = number;
    }
    return missing;
}

Verdict judge(const stored::LevelList& list, Regulation regulation) {
    Verdict v;
    v.regulation = regulation;
    const stored::Exposure e = stored::computeExposure(list, *stored::presetByKey("iso"));
    if (regulation == Regulation::Eu) {
        v.lines = euThresholds(e.lex8h);
        v.notes << QStringLiteral("The peak sound pressure values (135, 137 and 140 dB(C)) are "
                                  "not judged: this meter does not measure C-weighted peaks.");
    } else {
        v.lines.push_back(oshaLine(list, "osha-hc", QStringLiteral("action level"), 85, 50));
        v.lines.push_back(
            oshaLine(list, "osha-pel", QStringLiteral("permissible exposure limit"), 90, 100));
    }

    if (!e.hasLevels()) {
        v.limits << QStringLiteral("The measurement holds no level.");
        return v;
    }
    if (!e.timed) {
        v.limits << QStringLiteral("The time stamps give no duration: no dose, TWA or LEX,8h.");
        return v;
    }
    if (e.durationSeconds < kShiftHours * 3600.0 - 0.5)
        v.limits << QStringLiteral("Only %1 of an %2 h shift was recorded: the figures count the "
                                   "rest of the shift as quiet.")
                        .arg(stored::durationText(e.durationSeconds))
                        .arg(kShiftHours);
    const int missing = missingSamples(list);
    const double spacing = e.durationSeconds / std::max(1, e.samples);
    const double missingSeconds = e.gapSeconds + (missing + e.ignored) * spacing;
    if (missingSeconds > kMissingShare * (e.durationSeconds + missingSeconds))
        v.limits << QStringLiteral("%1 missing (%2 samples, %3 gaps, %4 rows without a level): "
                                   "the exposure then is not known.")
                        .arg(stored::durationText(missingSeconds))
                        .arg(missing)
                        .arg(e.gaps)
                        .arg(e.ignored);
    if (e.clampedOver > 0)
        v.limits << QStringLiteral("%1 samples over range (\"OL\", counted as 140.0 dB): the "
                                   "true exposure is higher than shown.")
                        .arg(e.clampedOver);
    return v;
}

CalibrationCheck calibrationCheck(std::optional<double> before, std::optional<double> after) {
    CalibrationCheck c{before, after, std::nullopt, true, {}};
    if (!before && !after) {
        c.text = QStringLiteral("No field calibration check was recorded.");
        return c;
    }
    if (!before || !after) {
        c.text = QStringLiteral("The field calibration check was recorded only %1 the "
                                "measurement: the drift is not known.")
                     .arg(before ? QStringLiteral("before") : QStringLiteral("after"));
        return c;
    }
    c.drift = std::abs(*after - *before);
    // Rounded as printed, so a drift shown as 0.5 dB is never called over 0.5 dB.
    c.fit = std::round(*c.drift * 10.0) / 10.0 <= kMaxDrift;
    c.text = c.fit ? QStringLiteral("Drift %1 dB: within 0.5 dB.").arg(*c.drift, 0, 'f', 1)
                   : QStringLiteral("Drift %1 dB, over 0.5 dB: the measurement is unfit for an "
                                    "assessment (ISO 9612).")
                         .arg(*c.drift, 0, 'f', 1);
    return c;
}

} // namespace nd::report
