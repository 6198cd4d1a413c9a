#pragma once

#include "report/Assessment.h"

#include <QHash>
#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::report::ui {

/// "Assessment": a worker's day as tasks (name, hours, ± hours, the .dat files measuring
/// each), the task-based LEX,8h ± U recomputed on every edit, the plan saved and opened as
/// JSON (the same file `noisedesk-cli assess` reads), and its report.
class AssessmentWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AssessmentWindow(dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// Replaces the tasks with a plan file's; a plan that cannot be read is explained.
    bool loadPlan(const QString& path);
    /// "Open plan…", "Save plan…", "Add measurement…" (to the selected task) and "Report…".
    bool openPlan();
    bool savePlan();
    bool addMeasurement();
    bool saveReport();
    void addTask();
    void removeTask();

    /// The result as shown: "LEX,8h = 84.3 dB(A) ± 3.2 dB", or why there is none.
    QString resultText() const;
    QTableWidget* table() const { return m_table; }

private:
    void addRow(const PlanTask& task);
    void showMeasurements(int row);
    /// The plan as the window holds it, checked as a plan file is; why not, otherwise.
    PlanRead currentPlan() const;
    void recompute();

    dialogs::Dialogs& m_dialogs;
    QLineEdit* m_worker = nullptr;
    QComboBox* m_instrument = nullptr;
    QDoubleSpinBox* m_dayHours = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_details = nullptr;
    std::vector<std::vector<PlanMeasurement>> m_measurements; ///< per row, absolute paths
    QHash<QString, MeasurementLevel> m_levels;                ///< read once per file
    std::optional<PlanAssessment> m_assessment;
    bool m_filling = false;
};

} // namespace nd::report::ui
