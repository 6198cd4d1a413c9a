#pragma once

#include "report/Assessment.h"

#include <QHash>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace nd::archive {
class Archive;
}
namespace nd::dialogs {
class Dialogs;
}

namespace nd::report::ui {

/// "Assessment": a worker's day as tasks (name, hours, ± hours, the measurements of each:
/// .dat files or the archive's measurements by number), the task-based LEX,8h ± U
/// recomputed on every edit, the plan saved and opened as JSON (the same file
/// `noisedesk-cli assess` reads), and its report.
class AssessmentWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AssessmentWindow(dialogs::Dialogs& dialogs, QWidget* parent = nullptr);
    ~AssessmentWindow() override;

    /// Reads archive numbers from the archive at `location`, through a read-only
    /// connection of the window's own opened when first needed.
    void setArchiveLocation(const QString& location);
    /// That connection; null, with the reason in `why`, when it cannot be had.
    archive::Archive* openArchive(QString* why = nullptr);
    /// Adds a task measured by archive measurements `ids`.
    void addArchiveTask(const QString& name, double hours, const std::vector<qint64>& ids);
    void setWorker(const QString& worker);

    /// Replaces the tasks with a plan file's; a plan that cannot be read is explained.
    bool loadPlan(const QString& path);
    /// "Open plan…", "Save plan…", "Add measurement…" (to the selected task) and "Report…".
    bool openPlan();
    bool savePlan();
    bool addMeasurement();
    /// "Add from archive…": archive numbers typed for the selected task.
    bool addFromArchive();
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
    std::vector<std::vector<PlanMeasurement>> m_measurements; ///< per row: absolute paths, numbers
    QHash<QString, MeasurementLevel> m_levels;                ///< read once per file
    std::optional<PlanAssessment> m_assessment;
    QString m_archiveLocation;
    std::unique_ptr<archive::Archive> m_archive;
    bool m_filling = false;
};

} // namespace nd::report::ui
