#include "Summary.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace nd::report {

double weeklyExposure(const std::vector<double>& dailyLex8h) {
    double sum = 0.0;
    for (double l : dailyLex8h)
        sum += std::pow(10.0, 0.1 * l);
    return 10.0 * std::log10(sum / 5.0);
}

Summary summarize(const std::vector<Measurement>& measurements, Regulation regulation,
                  const stored::Standard& standard) {
    Summary s;
    s.regulation = regulation;
    s.standard = standard;
    for (const Measurement& m : measurements) {
        SummaryRow row;
        for (const stored::LevelRow& r : m.list.rows) {
            if (r.stamp) {
                row.date = stored::stampDateTime(*r.stamp).date();
                break;
            }
        }
        row.worker = m.worker;
        row.task = m.task;
        row.source = m.source;
        row.exposure = stored::computeExposure(m.list, standard);
        row.verdict = judge(m.list, regulation);
        s.rows.push_back(std::move(row));
    }
    std::stable_sort(s.rows.begin(), s.rows.end(), [](const SummaryRow& a, const SummaryRow& b) {
        return std::tie(a.date, a.worker) < std::tie(b.date, b.worker);
    });

    // worker -> day -> energy of the day's LEX,8h
    std::map<QString, std::map<QDate, double>> days;
    for (const SummaryRow& row : s.rows) {
        auto& worker = days[row.worker];
        if (row.exposure.lex8h)
            worker[row.date] += std::pow(10.0, 0.1 * *row.exposure.lex8h);
    }
    for (const auto& [worker, byDay] : days) {
        WorkerWeek week{worker, static_cast<int>(byDay.size()), std::nullopt};
        if (!byDay.empty()) {
            std::vector<double> daily;
            for (const auto& [day, e] : byDay)
                daily.push_back(10.0 * std::log10(e));
            week.lexWeekly = weeklyExposure(daily);
        }
        s.weeks.push_back(week);
    }
    return s;
}

} // namespace nd::report
