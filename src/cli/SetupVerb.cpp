#include "SetupVerb.h"

#include "PauseTally.h"
#include "link/Meter.h"
#include "setup/SetupTransfer.h"
#include "setup/Standards.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QRegularExpression>

namespace nd::cli {

namespace {
const QString kCriterion = QStringLiteral("criterion");
const QString kThreshold = QStringLiteral("threshold");
const QString kExchange = QStringLiteral("exchange");
const QString kWeighting = QStringLiteral("weighting");
const QString kClock = QStringLiteral("clock");
const QString kStandard = QStringLiteral("standard");

SetupParse refuse(const QString& why) {
    return {std::nullopt, why};
}

std::optional<int> number(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString unitOf(const QString& item) {
    if (item == QLatin1String("Criterion level") || item == QLatin1String("Threshold level") ||
        item == QLatin1String("Exchange rate"))
        return QStringLiteral(" dB");
    return {};
}
} // namespace

QList<QCommandLineOption> SetupOptions() {
    return {
        {kCriterion, "setup: criterion level, 80, 84, 85 or 90 dB.", "DB"},
        {kThreshold, "setup: threshold level, 70 to 90 dB (not above the criterion level).", "DB"},
        {kExchange, "setup: exchange rate, 3 to 6 dB.", "DB"},
        {kWeighting, "setup: time weighting, fast or slow.", "W"},
        {kClock, "setup: the meter's clock, now or \"YYYY-MM-DD HH:MM\".", "WHEN"},
        {kStandard, "setup: a country's criterion level and exchange rate (e.g. U.K, Sweden).",
         "COUNTRY"},
    };
}

SetupParse ParseSetup(const QCommandLineParser& parser, const QStringList& extraWords,
                      const QDateTime& now) {
    if (!extraWords.isEmpty())
        return refuse(QStringLiteral("setup takes options only, not \"%1\"").arg(extraWords[0]));
    setup::SetupFields fields;
    fields.allowEmpty = true;
    if (parser.isSet(kStandard)) {
        if (parser.isSet(kCriterion) || parser.isSet(kExchange))
            return refuse(QStringLiteral("give --standard or --criterion/--exchange, not both"));
        const setup::NoiseStandard* standard = setup::FindStandard(parser.value(kStandard));
        if (!standard) {
            QStringList countries;
            for (const auto& s : setup::Standards())
                countries << QString::fromLatin1(s.Country);
            return refuse(QStringLiteral("no standard for \"%1\"; one of: %2")
                              .arg(parser.value(kStandard), countries.join(QStringLiteral(", "))));
        }
        const setup::SetupRequest fromTable = setup::StandardRequest(*standard);
        fields.CriterionLevel = fromTable.CriterionLevel;
        fields.ExchangeRate = fromTable.ExchangeRate;
    }
    if (parser.isSet(kCriterion)) {
        fields.CriterionLevel = number(parser.value(kCriterion));
        if (!fields.CriterionLevel || !setup::IsCriterionLevel(*fields.CriterionLevel))
            return refuse(QStringLiteral("--criterion takes 80, 84, 85 or 90"));
    }
    if (parser.isSet(kExchange)) {
        fields.ExchangeRate = number(parser.value(kExchange));
        if (!fields.ExchangeRate || !setup::IsExchangeRate(*fields.ExchangeRate))
            return refuse(QStringLiteral("--exchange takes 3, 4, 5 or 6"));
    }
    if (parser.isSet(kWeighting)) {
        const QString w = parser.value(kWeighting).toLower();
        if (w != QLatin1String("fast") && w != QLatin1String("slow"))
            return refuse(QStringLiteral("--weighting takes fast or slow"));
        fields.FastResponse = w == QLatin1String("fast");
    }
    if (parser.isSet(kThreshold)) {
        fields.Threshold = parser.value(kThreshold);
        if (fields.Threshold.trimmed().isEmpty())
            return refuse(QStringLiteral("--threshold takes a number from 70 to 90"));
    }
    if (parser.isSet(kClock)) {
        const QString when = parser.value(kClock).trimmed();
        QDateTime clock = now;
        if (when != QLatin1String("now")) {
            static const QRegularExpression form(
                QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})[ T](\\d{1,2}):(\\d{1,2})$"));
            const auto match = form.match(when);
            if (!match.hasMatch())
                return refuse(QStringLiteral("--clock takes now or \"YYYY-MM-DD HH:MM\""));
            fields.Year = match.captured(1);
            fields.Month = match.captured(2);
            fields.Day = match.captured(3);
            fields.Hour = match.captured(4);
            fields.Minute = match.captured(5);
        } else {
            // Each clock item is walked to the PC clock as it reads when the item is reached.
            fields.PcClock = [] { return QDateTime::currentDateTime(); };
            fields.Year = QString::number(clock.date().year());
            fields.Month = QString::number(clock.date().month());
            fields.Day = QString::number(clock.date().day());
            fields.Hour = QString::number(clock.time().hour());
            fields.Minute = QString::number(clock.time().minute());
        }
    }
    // The meter's criterion level is not known yet: the transfer caps the threshold at it.
    const setup::Validation v = setup::ValidateSetup(fields, 0);
    if (!v.request)
        return refuse(v.error);
    if (v.request->empty())
        return refuse(QStringLiteral("setup needs at least one of --criterion, --threshold, "
                                     "--exchange, --weighting, --clock, --standard"));
    SetupParse parsed{v.request, {}};
    // The transfer caps the threshold at the criterion level the meter then has, and says so.
    if (v.thresholdCapped)
        parsed.request->ThresholdLevel = v.thresholdTyped;
    // A country alone goes the standards table's way: on to the exchange rate, then RESET.
    parsed.request->FromStandardsTable = parser.isSet(kStandard) && !v.request->ThresholdLevel &&
                                         !v.request->Clock && !v.request->FastResponse;
    return parsed;
}

int RunSetupVerb(const setup::SetupRequest& request, RunContext& c) {
    // A silent meter ends the command after --timeout (exit 2), before anything is sent.
    c.meter.setDeadline(c.meter.clock().now() + c.timeout);
    c.meter.StatusPoll();
    // The transfer bounds every wait of its own, and on Ctrl+C still sends the abort.
    c.meter.setDeadline(std::nullopt);
    int shown = -1;
    c.meter.setProgress([&](int percent) {
        if (percent / 10 != shown / 10) {
            c.err << "\rsetting up: " << percent << " %";
            c.err.flush();
            shown = percent;
        }
    });
    // The pauses are counted when the clock counts them (it does in noisedesk-cli).
    const auto* tally = dynamic_cast<const PauseTally*>(&c.meter.clock());
    const double pausedBefore = tally ? tally->paused() : 0.0;
    QElapsedTimer elapsed;
    elapsed.start();
    const setup::SetupResult result = setup::RunSetup(c.meter, request);
    c.meter.setProgress({});
    if (shown >= 0)
        c.err << "\n";

    if (result.keyLocked) {
        c.out << setup::kKeyLockedText << "\n";
        return kKeyLocked;
    }
    if (result.noAnswer) {
        c.err << result.failure << "\n";
        return kNoAnswer;
    }
    for (const setup::ItemResult& item : result.items) {
        const QString unit = unitOf(item.name);
        c.out << item.name.toLower() << ": "
              << (item.reported.isEmpty() ? QStringLiteral("(not read)") : item.reported + unit);
        if (!item.asked.isEmpty())
            c.out << (item.took ? QStringLiteral("  [set]")
                                : QStringLiteral("  [did not take: asked %1]").arg(item.asked));
        if (!item.before.isEmpty() && !item.reported.isEmpty() && item.before != item.reported)
            c.out << QStringLiteral("  (was %1)").arg(item.before + unit);
        c.out << "\n";
    }
    if (result.thresholdCapped)
        c.out << QStringLiteral("threshold level: asked %1 dB, capped at the criterion level\n")
                     .arg(result.thresholdAsked);
    if (!result.failure.isEmpty())
        c.err << result.failure << "\n";
    const double seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    c.err << QStringLiteral("setup took %1 s").arg(seconds, 0, 'f', 2);
    if (tally) {
        const double paused = tally->paused() - pausedBefore;
        c.err << QStringLiteral(", %1 s of them the meter's fixed pauses, %2 s the rest")
                     .arg(paused, 0, 'f', 2)
                     .arg(seconds - paused, 0, 'f', 2);
    }
    c.err << "\n";
    if (result.interrupted) {
        c.err << "noisedesk-cli: interrupted; the setup was abandoned (MODE+RESET sent) and the "
                 "meter now holds what is printed above\n";
        return kInterrupted;
    }
    c.out << (result.success ? "Set up successfully." : "Invalid, try again!") << "\n";
    return result.success ? kOk : kNotTaken;
}

} // namespace nd::cli
