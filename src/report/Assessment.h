#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace nd::archive {
class Archive;
}

namespace nd::report {

/// The instrument's part of the uncertainty, u_2.
enum class InstrumentClass {
    Class1, ///< 0.7 dB
    Class2, ///< 1.5 dB: class 2 meters and personal sound exposure meters
};
double instrumentUncertainty(InstrumentClass c);
/// The microphone position's part, u_3.
inline constexpr double kPositionUncertainty = 1.0;
/// One-sided 95 % coverage.
inline constexpr double kCoverage = 1.65;
/// Measurements of a task that spread by this much or more call for more of them.
inline constexpr double kSpreadLimit = 3.0;
inline constexpr int kMinMeasurements = 3;

/// One task of the working day with the LAeq of each of its measurements.
struct TaskInput {
    QString name;
    double hours = 0.0;            ///< T_m
    double hoursUncertainty = 0.0; ///< u_1b,m: half the range of the duration estimates
    std::vector<double> levels;    ///< L_p,A,eqT,mi
};

struct TaskResult {
    QString name;
    double hours = 0.0;
    double hoursUncertainty = 0.0;
    int measurements = 0;
    double laeq = 0.0;  ///< L_p,A,eqT,m
    double lex8h = 0.0; ///< L_EX,8h,m: the task's contribution in dB
    double contributionPercent = 0.0;
    double spread = 0.0; ///< highest minus lowest measured level
    double u1a = 0.0;
    double c1a = 0.0;
    double c1b = 0.0;
};

/// The task-based result of ISO 9612:2009 (clause 9, Annex C).
struct AssessmentResult {
    std::vector<TaskResult> tasks;
    double lex8h = 0.0;
    double u = 0.0;             ///< combined standard uncertainty
    double U = 0.0;             ///< expanded, one-sided 95 %: 1.65 u
    double UWithoutHours = 0.0; ///< U leaving the durations' uncertainty out
    QStringList warnings;
};

/// Computes the day from its tasks (each with at least one level and hours above 0).
/// `dayHours` is the working day the durations should add up to.
AssessmentResult assessTasks(const std::vector<TaskInput>& tasks, InstrumentClass instrument,
                             double dayHours);

/// A plan as the user writes it: the instrument, the day and the tasks with the
/// measurements (references: .dat paths or archive numbers) of each.
struct PlanMeasurement {
    QString reference;
    std::optional<double> calibrationBefore;
    std::optional<double> calibrationAfter;
};
struct PlanTask {
    QString name;
    double hours = 0.0;
    double hoursUncertainty = 0.0;
    std::vector<PlanMeasurement> measurements;
};
struct Plan {
    InstrumentClass instrument = InstrumentClass::Class2;
    double dayHours = 8.0;
    QString worker;
    std::vector<PlanTask> tasks;
};

/// A plan, or the fault that refuses it (never both).
struct PlanRead {
    std::optional<Plan> plan;
    QString error;
};
/// Reads a plan's JSON; refuses hours of zero or below, a task with no measurement, a
/// negative duration uncertainty, an unknown instrument, naming the task.
PlanRead parsePlan(const QByteArray& json);
/// The plan's JSON, as parsePlan reads it back.
QByteArray planJson(const Plan& plan);

/// A measurement of the plan as used (or refused) in the assessment.
struct MeasurementUse {
    QString reference;
    QString source;      ///< file name
    QString contentHash; ///< of the source
    double laeq = 0.0;
    QString refused; ///< why it was left out; empty when used
};

/// A plan carried out: the measurements read, the result computed.
struct PlanAssessment {
    Plan plan;
    std::vector<std::vector<MeasurementUse>> uses; ///< per task
    AssessmentResult result;
};
struct PlanAssessmentRun {
    std::optional<PlanAssessment> assessment;
    QString error;
};
/// What the assessment takes from one measurement: its LAeq, or why there is none.
struct MeasurementLevel {
    std::optional<double> laeq;
    QString source;
    QString contentHash;
    QString error;
    /// The calibration check the measurement carries (the archive's tags), used where the
    /// plan gives none.
    std::optional<double> calibrationBefore;
    std::optional<double> calibrationAfter;
};
using LevelSource = std::function<MeasurementLevel(const QString& reference)>;
/// Reads the measurement a reference names (relative paths from `baseDir`, numbers from
/// `archive`) for its LAeq.
MeasurementLevel levelOf(const QString& reference, const QString& baseDir,
                         archive::Archive* archive = nullptr);

/// Computes the day from the plan, taking each measurement's LAeq from `levels`. An unknown or
/// unreadable measurement refuses the plan; a measurement whose calibration drifted over 0.5 dB is
/// left out with its reason, and a task left with no measurement refuses the plan.
PlanAssessmentRun runPlan(const Plan& plan, const LevelSource& levels);
/// The same, reading every measurement from disk (relative paths from `baseDir`) or from
/// `archive` (archive numbers).
PlanAssessmentRun runPlan(const Plan& plan, const QString& baseDir,
                          archive::Archive* archive = nullptr);
/// True when a measurement of the plan names one in the archive.
bool usesArchive(const Plan& plan);

/// The command line's --json: lex8h, u, U, warnings and tasks.
QByteArray assessmentJson(const PlanAssessment& a);

} // namespace nd::report
