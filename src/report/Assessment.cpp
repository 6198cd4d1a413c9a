#include "Assessment.h"

#include "Measurement.h"
#include "Verdict.h"
#include "stored/Exposure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace nd::report {

namespace {

double energy(double level) {
    return std::pow(10.0, 0.1 * level);
}

QJsonValue rounded(double value) {
    return std::round(value * 100.0) / 100.0;
}

QString taskLabel(const QJsonObject& task, int index) {
    const QString name = task.value(QStringLiteral("name")).toString();
    return name.isEmpty() ? QStringLiteral("task %1").arg(index + 1)
                          : QStringLiteral("task \"%1\"").arg(name);
}

std::optional<double> optionalNumber(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

} // namespace

double instrumentUncertainty(InstrumentClass c) {
    return c == InstrumentClass::Class1 ? 0.7 : 1.5;
}

AssessmentResult assessTasks(const std::vector<TaskInput>& tasks, InstrumentClass instrument,
                             double dayHours) {
    AssessmentResult r;
    double total = 0.0;
    double hours = 0.0;
    for (const TaskInput& in : tasks) {
        TaskResult t;
        t.name = in.name;
        t.hours = in.hours;
        t.hoursUncertainty = in.hoursUncertainty;
        t.measurements = static_cast<int>(in.levels.size());
        double sum = 0.0;
        for (double level : in.levels)
            sum += energy(level);
        t.laeq = 10.0 * std::log10(sum / t.measurements);
        t.lex8h = t.laeq + 10.0 * std::log10(in.hours / 8.0);
        const auto [low, high] = std::minmax_element(in.levels.begin(), in.levels.end());
        t.spread = *high - *low;
        if (t.measurements > 1) {
            const double mean =
                std::accumulate(in.levels.begin(), in.levels.end(), 0.0) / t.measurements;
            double squares = 0.0;
            for (double level : in.levels)
                squares += (level - mean) * (level - mean);
            t.u1a = std::sqrt(squares / (t.measurements * (t.measurements - 1.0)));
        }
        total += energy(t.lex8h);
        hours += in.hours;
        r.tasks.push_back(t);
    }
    r.lex8h = 10.0 * std::log10(total);

    const double u2 = instrumentUncertainty(instrument);
    const double u3 = kPositionUncertainty;
    double withoutHours = 0.0;
    double durations = 0.0;
    for (TaskResult& t : r.tasks) {
        t.contributionPercent = 100.0 * energy(t.lex8h) / total;
        t.c1a = std::pow(10.0, 0.1 * (t.lex8h - r.lex8h));
        t.c1b = 4.34 * t.c1a / t.hours;
        withoutHours += t.c1a * t.c1a * (t.u1a * t.u1a + u2 * u2 + u3 * u3);
        durations += (t.c1b * t.hoursUncertainty) * (t.c1b * t.hoursUncertainty);

        const QString name = QStringLiteral("Task \"%1\"").arg(t.name);
        if (t.measurements < kMinMeasurements)
            r.warnings << QStringLiteral("%1 has %2 measurement%3; take at least three%4.")
                              .arg(name)
                              .arg(t.measurements)
                              .arg(t.measurements == 1 ? "" : "s")
                              .arg(t.measurements == 1
                                       ? QStringLiteral(" (its sampling uncertainty is taken "
                                                        "as 0)")
                                       : QString());
        // Three more measurements of a task that spread are what the method asks for.
        else if (t.spread >= kSpreadLimit && t.measurements < 2 * kMinMeasurements)
            r.warnings << QStringLiteral("%1: the measurements spread by %2 dB (3 dB or more); "
                                         "take at least three more, or split the task.")
                              .arg(name)
                              .arg(t.spread, 0, 'f', 1);
    }
    r.u = std::sqrt(withoutHours + durations);
    r.U = kCoverage * r.u;
    r.UWithoutHours = kCoverage * std::sqrt(withoutHours);
    if (std::abs(hours - dayHours) > 0.01)
        r.warnings << QStringLiteral("The task durations add up to %1 h, not to the working day "
                                     "of %2 h.")
                          .arg(hours, 0, 'g', 4)
                          .arg(dayHours, 0, 'g', 4);
    return r;
}

PlanRead parsePlan(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("the plan is not JSON: %1 (at byte %2)")
                                  .arg(error.errorString())
                                  .arg(error.offset)};
    if (!doc.isObject())
        return {std::nullopt, QStringLiteral("the plan is not a JSON object")};
    const QJsonObject o = doc.object();
    Plan plan;
    const QString instrument = o.value(QStringLiteral("instrument")).toString("class2");
    if (instrument == QLatin1String("class1"))
        plan.instrument = InstrumentClass::Class1;
    else if (instrument != QLatin1String("class2"))
        return {std::nullopt,
                QStringLiteral("\"instrument\" is \"%1\"; it takes \"class1\" or \"class2\"")
                    .arg(instrument)};
    plan.dayHours = o.value(QStringLiteral("day_hours")).toDouble(8.0);
    if (!(plan.dayHours > 0.0 && plan.dayHours <= 24.0))
        return {std::nullopt, QStringLiteral("\"day_hours\" takes hours above 0, up to 24")};
    plan.worker = o.value(QStringLiteral("worker")).toString();
    const QJsonArray tasks = o.value(QStringLiteral("tasks")).toArray();
    if (tasks.isEmpty())
        return {std::nullopt, QStringLiteral("the plan has no \"tasks\"")};
    for (int i = 0; i < tasks.size(); ++i) {
        const QJsonObject t = tasks[i].toObject();
        const QString label = taskLabel(t, i);
        PlanTask task;
        task.name = t.value(QStringLiteral("name")).toString();
        if (task.name.trimmed().isEmpty())
            return {std::nullopt, QStringLiteral("%1 has no name").arg(label)};
        const QJsonValue hours = t.value(QStringLiteral("hours"));
        task.hours = hours.toDouble(0.0);
        if (!hours.isDouble() || !(task.hours > 0.0))
            return {std::nullopt,
                    QStringLiteral("%1: \"hours\" must be a number above 0").arg(label)};
        task.hoursUncertainty = t.value(QStringLiteral("hours_uncertainty")).toDouble(0.0);
        if (task.hoursUncertainty < 0.0)
            return {std::nullopt,
                    QStringLiteral("%1: \"hours_uncertainty\" cannot be negative").arg(label)};
        for (const QJsonValue& m : t.value(QStringLiteral("measurements")).toArray()) {
            PlanMeasurement pm;
            if (m.isObject()) {
                const QJsonObject mo = m.toObject();
                const QJsonValue id = mo.value(QStringLiteral("id"));
                pm.reference = id.isDouble() ? QString::number(id.toInteger())
                                             : mo.value(QStringLiteral("file")).toString();
                pm.calibrationBefore = optionalNumber(mo, "cal_before");
                pm.calibrationAfter = optionalNumber(mo, "cal_after");
            } else {
                pm.reference = m.isDouble() ? QString::number(m.toInteger()) : m.toString();
            }
            if (pm.reference.trimmed().isEmpty())
                return {std::nullopt, QStringLiteral("%1: a measurement names no file").arg(label)};
            task.measurements.push_back(pm);
        }
        if (task.measurements.empty())
            return {std::nullopt, QStringLiteral("%1 has no measurement").arg(label)};
        plan.tasks.push_back(std::move(task));
    }
    return {std::move(plan), {}};
}

QByteArray planJson(const Plan& plan) {
    QJsonArray tasks;
    for (const PlanTask& t : plan.tasks) {
        QJsonArray measurements;
        for (const PlanMeasurement& m : t.measurements) {
            // An archive measurement by its number, a file by its path.
            const qint64 id = archiveNumber(m.reference);
            if (!m.calibrationBefore && !m.calibrationAfter) {
                measurements.append(id ? QJsonValue(id) : QJsonValue(m.reference));
                continue;
            }
            QJsonObject mo;
            if (id)
                mo.insert(QStringLiteral("id"), id);
            else
                mo.insert(QStringLiteral("file"), m.reference);
            if (m.calibrationBefore)
                mo.insert(QStringLiteral("cal_before"), *m.calibrationBefore);
            if (m.calibrationAfter)
                mo.insert(QStringLiteral("cal_after"), *m.calibrationAfter);
            measurements.append(mo);
        }
        tasks.append(QJsonObject{{QStringLiteral("name"), t.name},
                                 {QStringLiteral("hours"), t.hours},
                                 {QStringLiteral("hours_uncertainty"), t.hoursUncertainty},
                                 {QStringLiteral("measurements"), measurements}});
    }
    QJsonObject o{{QStringLiteral("instrument"), plan.instrument == InstrumentClass::Class1
                                                     ? QStringLiteral("class1")
                                                     : QStringLiteral("class2")},
                  {QStringLiteral("day_hours"), plan.dayHours},
                  {QStringLiteral("tasks"), tasks}};
    if (!plan.worker.isEmpty())
        o.insert(QStringLiteral("worker"), plan.worker);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

MeasurementLevel levelOf(const QString& reference, const QString& baseDir,
                         archive::Archive* archive) {
    MeasurementLoad load = loadMeasurement(reference, baseDir, archive);
    if (!load.measurement)
        return {std::nullopt, {}, {}, load.error, {}, {}};
    const stored::Exposure e =
        stored::computeExposure(load.measurement->list, *stored::presetByKey("iso"));
    if (!e.hasLevels())
        return {std::nullopt, {}, {}, QStringLiteral("%1 holds no level").arg(reference), {}, {}};
    return {e.laeq,
            load.measurement->source,
            load.measurement->contentHash,
            {},
            load.measurement->calibrationBefore,
            load.measurement->calibrationAfter};
}

PlanAssessmentRun runPlan(const Plan& plan, const QString& baseDir, archive::Archive* archive) {
    return runPlan(plan, [&baseDir, archive](const QString& reference) {
        return levelOf(reference, baseDir, archive);
    });
}

bool usesArchive(const Plan& plan) {
    for (const PlanTask& task : plan.tasks) {
        for (const PlanMeasurement& m : task.measurements) {
            if (isArchiveReference(m.reference))
                return true;
        }
    }
    return false;
}

PlanAssessmentRun runPlan(const Plan& plan, const LevelSource& levels) {
    PlanAssessment a;
    a.plan = plan;
    std::vector<TaskInput> inputs;
    for (const PlanTask& task : plan.tasks) {
        TaskInput in{task.name, task.hours, task.hoursUncertainty, {}};
        std::vector<MeasurementUse> uses;
        for (const PlanMeasurement& pm : task.measurements) {
            const MeasurementLevel level = levels(pm.reference);
            if (!level.laeq)
                return {std::nullopt,
                        QStringLiteral("task \"%1\": %2").arg(task.name, level.error)};
            MeasurementUse use{pm.reference, level.source, level.contentHash, *level.laeq, {}};
            const bool planned = pm.calibrationBefore || pm.calibrationAfter;
            const CalibrationCheck check =
                planned ? calibrationCheck(pm.calibrationBefore, pm.calibrationAfter)
                        : calibrationCheck(level.calibrationBefore, level.calibrationAfter);
            if (!check.fit)
                use.refused = QStringLiteral("calibration drifted %1 dB (over 0.5 dB)")
                                  .arg(*check.drift, 0, 'f', 1);
            else
                in.levels.push_back(*level.laeq);
            uses.push_back(use);
        }
        if (in.levels.empty())
            return {std::nullopt,
                    QStringLiteral("task \"%1\" has no measurement left: %2 refused (%3)")
                        .arg(task.name, uses.front().reference, uses.front().refused)};
        inputs.push_back(std::move(in));
        a.uses.push_back(std::move(uses));
    }
    a.result = assessTasks(inputs, plan.instrument, plan.dayHours);
    for (std::size_t t = 0; t < a.uses.size(); ++t) {
        for (const MeasurementUse& use : a.uses[t]) {
            if (!use.refused.isEmpty())
                a.result.warnings.prepend(QStringLiteral("Task \"%1\": %2 left out: %3.")
                                              .arg(plan.tasks[t].name, use.reference, use.refused));
        }
    }
    return {std::move(a), {}};
}

QByteArray assessmentJson(const PlanAssessment& a) {
    QJsonArray tasks;
    for (std::size_t t = 0; t < a.result.tasks.size(); ++t) {
        const TaskResult& r = a.result.tasks[t];
        QJsonArray measurements;
        for (const MeasurementUse& use : a.uses[t]) {
            QJsonObject m{{QStringLiteral("source"), use.reference},
                          {QStringLiteral("laeq"), rounded(use.laeq)}};
            if (!use.refused.isEmpty())
                m.insert(QStringLiteral("refused"), use.refused);
            measurements.append(m);
        }
        tasks.append(
            QJsonObject{{QStringLiteral("name"), r.name},
                        {QStringLiteral("hours"), r.hours},
                        {QStringLiteral("hours_uncertainty"), r.hoursUncertainty},
                        {QStringLiteral("laeq"), rounded(r.laeq)},
                        {QStringLiteral("lex8h"), rounded(r.lex8h)},
                        {QStringLiteral("contribution_percent"), rounded(r.contributionPercent)},
                        {QStringLiteral("u1a"), rounded(r.u1a)},
                        {QStringLiteral("measurements"), measurements}});
    }
    QJsonObject o{{QStringLiteral("lex8h"), rounded(a.result.lex8h)},
                  {QStringLiteral("u"), rounded(a.result.u)},
                  {QStringLiteral("U"), rounded(a.result.U)},
                  {QStringLiteral("U_without_durations"), rounded(a.result.UWithoutHours)},
                  {QStringLiteral("warnings"), QJsonArray::fromStringList(a.result.warnings)},
                  {QStringLiteral("tasks"), tasks}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace nd::report
