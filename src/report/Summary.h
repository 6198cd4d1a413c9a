#pragma once

#include "Measurement.h"
#include "Verdict.h"
#include "stored/Exposure.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace nd::report {

/// L_EX,w = 10 lg(1/5 x sum of 10^(0.1 L_EX,8h,d)) over the days given (5 working days).
double weeklyExposure(const std::vector<double>& dailyLex8h);

/// One row of the summary: a measurement's figures and its verdict.
struct SummaryRow {
    QDate date; ///< the first sample's date
    QString worker;
    QString task;
    QString source;
    stored::Exposure exposure;
    Verdict verdict;
};

/// A worker's week: the days present and L_EX,w over them.
struct WorkerWeek {
    QString worker;
    int days = 0;
    std::optional<double> lexWeekly;
};

struct Summary {
    Regulation regulation = Regulation::Eu;
    stored::Standard standard;
    std::vector<SummaryRow> rows;
    std::vector<WorkerWeek> weeks;
};

/// The rows (by date, then worker) and the weekly exposure of each worker. Several
/// measurements of one worker on one day are taken as parts of that day: their LEX,8h add.
Summary summarize(const std::vector<Measurement>& measurements, Regulation regulation,
                  const stored::Standard& standard);

} // namespace nd::report
