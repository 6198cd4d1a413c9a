#include "Exposure.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace nd::stored {

namespace {

struct Sample {
    double dB = 0.0;
    std::optional<StampTenths> stamp;
    double weight = 0.0;
};

double median(std::vector<double> values) {
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end());
    if (values.size() % 2 == 1)
        return *mid;
    const double upper = *mid;
    const double lower = *std::max_element(values.begin(), mid);
    return (lower + upper) / 2.0;
}

/// The pace on one side of a spacing: the median of up to kPaceSpan spacings there.
double paceOf(const std::vector<double>& valid, std::size_t from, std::size_t to) {
    return median(std::vector<double>(valid.begin() + static_cast<std::ptrdiff_t>(from),
                                      valid.begin() + static_cast<std::ptrdiff_t>(to)));
}

/// Gives each sample the time it stands for; returns false when no spacing was found.
/// A spacing is a gap only when it is out of pace with the spacings on both sides of it
/// (itself included on each side): a changed sampling interval sets a new pace and counts
/// in full, while a meter that stopped answering for a while leaves a gap between two
/// stretches at one pace. At either end of the list there is nothing to tell a slower
/// pace from a silence, so an end spacing counts in full.
bool weighSamples(std::vector<Sample>& samples, Exposure& e) {
    std::vector<double> spacing(samples.size(), -1.0);
    std::vector<double> valid;
    std::vector<std::size_t> validAt(samples.size(), 0); ///< valid spacings before sample i
    for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
        validAt[i] = valid.size();
        const auto& a = samples[i].stamp;
        const auto& b = samples[i + 1].stamp;
        if (a && b && *b > *a) {
            spacing[i] = static_cast<double>(*b - *a) / 10.0;
            valid.push_back(spacing[i]);
        }
    }
    if (valid.empty())
        return false;
    validAt.back() = valid.size();
    const std::size_t n = valid.size();
    // The pace just before valid spacing j (its predecessors), or after it when it has none.
    const auto paceBefore = [&valid, n](std::size_t j) {
        if (j == 0)
            return paceOf(valid, 0, std::min(n, kPaceSpan));
        return paceOf(valid, j > kPaceSpan ? j - kPaceSpan : 0, j);
    };
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double s = spacing[i];
        const std::size_t j = validAt[i];
        if (s < 0.0) {
            // The last sample, or one whose next stamp is missing or out of order.
            samples[i].weight = paceBefore(j);
            continue;
        }
        const double before = paceOf(valid, j + 1 > kPaceSpan ? j + 1 - kPaceSpan : 0, j + 1);
        const double after = paceOf(valid, j, std::min(n, j + kPaceSpan));
        if (s > kGapFactor * before && s > kGapFactor * after) {
            samples[i].weight = paceBefore(j);
            ++e.gaps;
            e.gapSeconds += s - samples[i].weight;
        } else {
            samples[i].weight = s;
        }
    }
    return true;
}

/// The level exceeded `fraction` of the time: going down from the loudest sample, the
/// level at which the time added up reaches that fraction of the whole.
double exceededLevel(const std::vector<Sample>& byLevelDown, double total, double fraction) {
    const double target = fraction * total * (1.0 - 1e-12);
    double sum = 0.0;
    for (const Sample& s : byLevelDown) {
        sum += s.weight;
        if (sum >= target)
            return s.dB;
    }
    return byLevelDown.back().dB;
}

QString decibels(double dB) {
    return QStringLiteral("%1 dB").arg(dB, 0, 'f', 1);
}

QString standardText(const Standard& s) {
    QString text = QStringLiteral("%1 (criterion %2 dB, exchange %3 dB, ")
                       .arg(s.name)
                       .arg(s.criterion, 0, 'g', 4)
                       .arg(s.exchange, 0, 'g', 3);
    text += s.threshold ? QStringLiteral("threshold %1 dB)").arg(*s.threshold, 0, 'g', 4)
                        : QStringLiteral("no threshold)");
    return text;
}

/// "1 gap", "3 gaps".
QString counted(int n, const char* what) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
}

QJsonValue rounded(double value, int decimals = 2) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QJsonValue roundedOrNull(const std::optional<double>& value) {
    return value ? rounded(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

const QList<Standard>& standardPresets() {
    static const QList<Standard> presets = {
        {QStringLiteral("osha-pel"), QStringLiteral("OSHA PEL"), 90.0, 5.0, 90.0},
        {QStringLiteral("osha-hc"), QStringLiteral("OSHA hearing conservation"), 90.0, 5.0, 80.0},
        {QStringLiteral("niosh"), QStringLiteral("NIOSH REL"), 85.0, 3.0, 80.0},
        {QStringLiteral("iso"), QStringLiteral("ISO 1999 / EU 2003/10"), 85.0, 3.0, std::nullopt},
    };
    return presets;
}

Standard meterStandard(double criterion, double exchange, std::optional<double> threshold) {
    return {QString::fromLatin1(kMeterStandardKey), QStringLiteral("As meter"), criterion, exchange,
            threshold};
}

std::optional<Standard> presetByKey(const QString& key) {
    for (const Standard& s : standardPresets()) {
        if (s.key == key)
            return s;
    }
    return std::nullopt;
}

std::optional<double> twaFromDose(double dosePercent, double criterion, double exchange) {
    if (!(dosePercent > 0.0))
        return std::nullopt;
    return criterion + exchange / std::log10(2.0) * std::log10(dosePercent / 100.0);
}

Exposure computeExposure(const LevelList& list, const Standard& standard) {
    Exposure e;
    e.standard = standard;
    std::vector<Sample> samples;
    samples.reserve(list.rows.size());
    for (const LevelRow& row : list.rows) {
        if (!row.level.isSound()) {
            ++e.ignored;
            continue;
        }
        if (row.level.kind == LevelKind::OverRange)
            ++e.clampedOver;
        else if (row.level.kind == LevelKind::UnderRange)
            ++e.clampedUnder;
        samples.push_back({row.level.dB, row.stamp, 1.0});
    }
    e.samples = static_cast<int>(samples.size());
    if (samples.empty())
        return e;

    e.timed = weighSamples(samples, e);
    double total = 0.0;
    double energy = 0.0;
    double dose = 0.0;
    e.lmax = e.lmin = samples.front().dB;
    for (const Sample& s : samples) {
        total += s.weight;
        energy += s.weight * std::pow(10.0, s.dB / 10.0);
        e.lmax = std::max(e.lmax, s.dB);
        e.lmin = std::min(e.lmin, s.dB);
        if (!standard.threshold || s.dB >= *standard.threshold)
            dose += s.weight / kEightHours *
                    std::pow(2.0, (s.dB - standard.criterion) / standard.exchange);
    }
    e.laeq = 10.0 * std::log10(energy / total);

    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.dB > b.dB; });
    e.l10 = exceededLevel(samples, total, 0.10);
    e.l50 = exceededLevel(samples, total, 0.50);
    e.l90 = exceededLevel(samples, total, 0.90);

    if (e.timed) {
        e.durationSeconds = total;
        e.dosePercent = 100.0 * dose;
        e.twa = twaFromDose(e.dosePercent, standard.criterion, standard.exchange);
        e.projectedDosePercent = e.dosePercent * kEightHours / total;
        e.lex8h = e.laeq + 10.0 * std::log10(total / kEightHours);
    }
    return e;
}

QString durationText(double seconds) {
    const auto whole = static_cast<long long>(std::llround(seconds * 10.0));
    const long long s = whole / 10;
    const long long tenths = whole % 10;
    const int width = s < 60 ? 1 : 2;
    QString secs = QStringLiteral("%1").arg(s % 60, width, 10, QLatin1Char('0'));
    if (tenths)
        secs += QStringLiteral(".%1").arg(tenths);
    secs += QStringLiteral(" s");
    if (s < 60)
        return secs;
    if (s < 3600)
        return QStringLiteral("%1 min %2").arg(s / 60).arg(secs);
    return QStringLiteral("%1 h %2 min %3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secs);
}

QList<std::pair<QString, QString>> exposureRows(const Exposure& e) {
    QList<std::pair<QString, QString>> rows;
    rows.append({QStringLiteral("Samples"), QString::number(e.samples)});
    if (!e.hasLevels())
        return rows;
    rows.append({QStringLiteral("Duration"),
                 e.timed ? durationText(e.durationSeconds) : QStringLiteral("unknown")});
    rows.append({QStringLiteral("LAeq"), decibels(e.laeq)});
    rows.append({QStringLiteral("LAmax"), decibels(e.lmax)});
    rows.append({QStringLiteral("LAmin"), decibels(e.lmin)});
    rows.append({QStringLiteral("L10"), decibels(e.l10)});
    rows.append({QStringLiteral("L50"), decibels(e.l50)});
    rows.append({QStringLiteral("L90"), decibels(e.l90)});
    rows.append({QStringLiteral("Standard"), standardText(e.standard)});
    if (!e.timed)
        return rows;
    rows.append({QStringLiteral("Dose"), QStringLiteral("%1 %").arg(e.dosePercent, 0, 'f', 1)});
    rows.append(
        {QStringLiteral("TWA"), e.twa ? decibels(*e.twa) : QStringLiteral("none (no dose)")});
    rows.append({QStringLiteral("Projected 8 h dose"),
                 QStringLiteral("%1 %").arg(*e.projectedDosePercent, 0, 'f', 1)});
    rows.append({QStringLiteral("LEX,8h"), decibels(*e.lex8h)});
    return rows;
}

QStringList exposureRemarks(const Exposure& e) {
    QStringList remarks;
    if (e.clampedOver > 0)
        remarks << QStringLiteral("%1 (\"OL\") counted as 140.0 dB: LAeq, LAmax, dose and the "
                                  "levels above are lower bounds.")
                       .arg(counted(e.clampedOver, "overload sample"));
    if (e.clampedUnder > 0)
        remarks << QStringLiteral("%1 (\"----\") counted as 70.0 dB: the levels below are "
                                  "upper bounds.")
                       .arg(counted(e.clampedUnder, "under-range sample"));
    if (e.gaps > 0)
        remarks << QStringLiteral("%1 in the measurement (%2 in all) not counted as exposure.")
                       .arg(counted(e.gaps, "gap"), durationText(e.gapSeconds));
    if (e.ignored > 0)
        remarks << QStringLiteral("%1 without a level left out.").arg(counted(e.ignored, "row"));
    if (e.hasLevels() && !e.timed)
        remarks << QStringLiteral("The time stamps give no spacing: samples weigh alike, "
                                  "no dose.");
    return remarks;
}

QByteArray exposureJson(const Exposure& e) {
    QJsonObject standard{{QStringLiteral("key"), e.standard.key},
                         {QStringLiteral("criterion"), e.standard.criterion},
                         {QStringLiteral("exchange"), e.standard.exchange},
                         {QStringLiteral("threshold"), roundedOrNull(e.standard.threshold)}};
    const auto level = [&e](double v) {
        return e.hasLevels() ? rounded(v) : QJsonValue(QJsonValue::Null);
    };
    QJsonObject o{{QStringLiteral("laeq"), level(e.laeq)},
                  {QStringLiteral("lmax"), level(e.lmax)},
                  {QStringLiteral("lmin"), level(e.lmin)},
                  {QStringLiteral("l10"), level(e.l10)},
                  {QStringLiteral("l50"), level(e.l50)},
                  {QStringLiteral("l90"), level(e.l90)},
                  {QStringLiteral("duration_s"),
                   e.timed ? rounded(e.durationSeconds, 1) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("dose_percent"),
                   e.timed ? rounded(e.dosePercent) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("twa"), roundedOrNull(e.twa)},
                  {QStringLiteral("projected_dose_percent"), roundedOrNull(e.projectedDosePercent)},
                  {QStringLiteral("lex8h"), roundedOrNull(e.lex8h)},
                  {QStringLiteral("samples"), e.samples},
                  {QStringLiteral("clamped_over"), e.clampedOver},
                  {QStringLiteral("clamped_under"), e.clampedUnder},
                  {QStringLiteral("gaps"), e.gaps},
                  {QStringLiteral("gap_s"), rounded(e.gapSeconds, 1)},
                  {QStringLiteral("standard"), standard}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace nd::stored
