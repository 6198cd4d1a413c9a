#pragma once

#include "Assessment.h"
#include "Measurement.h"
#include "Verdict.h"
#include "stored/Exposure.h"

#include <QByteArray>
#include <QDateTime>
#include <QPageSize>

#include <vector>

namespace nd::report {

/// How a report is made: the rules judged against, the standard for the dose, the paper.
struct ReportOptions {
    Regulation regulation = Regulation::Eu;
    stored::Standard standard;
    QPageSize::PageSizeId paper = QPageSize::A4;
    QDateTime made; ///< printed as the report's date; now when left invalid
};

/// "NoiseDesk 10.2".
QString programVersion();

/// The report of one measurement as PDF bytes: the measurement, its calibration check,
/// figures and verdict on page 1; the charts on page 2; notes and signature lines.
QByteArray measurementReportPdf(const Measurement& m, const ReportOptions& options);
/// One table of measurements and the weekly exposure of each worker.
QByteArray summaryReportPdf(const std::vector<Measurement>& measurements,
                            const ReportOptions& options);
/// The task-based assessment: the tasks, the day's LEX,8h with U, beside the EU values.
QByteArray assessmentReportPdf(const PlanAssessment& assessment, const ReportOptions& options);

} // namespace nd::report
