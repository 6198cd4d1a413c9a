#include "Standards.h"

namespace nd::setup {

namespace {
constexpr char kNone[] = "-";

QString folded(const QString& name) {
    QString out;
    for (QChar c : name) {
        if (c.isLetterOrNumber())
            out.append(c.toLower());
    }
    return out;
}
} // namespace

const std::array<NoiseStandard, kStandardCount>& Standards() {
    static const std::array<NoiseStandard, kStandardCount> kTable = {{
        {"Germany", "90", "8", "-", "-", "-", "-"},
        {"France", "90", "40", "-", "-", "-", "-"},
        {"Belgium", "90", "40", "5", "110", "140", "100"},
        {"U.K", "90", "8", "3", "135", "150", "-"},
        {"Ireland", "90", "-", "-", "-", "-", "-"},
        {"Italy", "90", "8", "5", "115", "140", "-"},
        {"Denmark", "90", "40", "3", "115", "-", "-"},
        {"Sweden", "85", "40", "3", "115", "-", "-"},
        {"U.S.A", "90", "8", "5", "115", "140", "100"},
        {"Canada", "90", "8", "5", "115", "140", "-"},
        {"Australia", "90", "8", "3", "115", "-", "-"},
        {"Japan", "85", "8", "3", "-", "-", "-"},
        {"Taiwan", "90", "8", "5", "115", "140", "-"},
        {"Brazil", "85", "8", "5", "130", "-", "100"},
    }};
    return kTable;
}

QStringList StandardHeadings() {
    return {QStringLiteral("Country"),          QStringLiteral("Criterion level dBA"),
            QStringLiteral("Exposure time"),    QStringLiteral("Exchange Rate"),
            QStringLiteral("MAX SPL"),          QStringLiteral("Peak SPL"),
            QStringLiteral("Allowable/per day")};
}

QStringList StandardCells(const NoiseStandard& s) {
    QStringList cells;
    for (const char* cell : {s.Country, s.CriterionLevel, s.ExposureTime, s.ExchangeRate, s.MaxSpl,
                             s.PeakSpl, s.AllowablePerDay})
        cells << QString::fromLatin1(cell);
    return cells;
}

const NoiseStandard* FindStandard(const QString& country) {
    const QString wanted = folded(country);
    for (const NoiseStandard& s : Standards()) {
        if (!wanted.isEmpty() && folded(QString::fromLatin1(s.Country)) == wanted)
            return &s;
    }
    return nullptr;
}

SetupRequest StandardRequest(const NoiseStandard& s) {
    SetupRequest request;
    request.FromStandardsTable = true;
    request.CriterionLevel = QString::fromLatin1(s.CriterionLevel).toInt();
    if (QLatin1String(s.ExchangeRate) != QLatin1String(kNone))
        request.ExchangeRate = QString::fromLatin1(s.ExchangeRate).toInt();
    return request;
}

} // namespace nd::setup
