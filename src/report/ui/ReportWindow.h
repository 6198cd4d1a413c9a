#pragma once

#include "report/Measurement.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::report::ui {

/// "Report": the report of one measurement. The user picks the regulation, the standard
/// for the dose and the paper, and fills in who, what and where, the calibration check and
/// notes; "Save PDF…" writes the report.
class ReportWindow final : public QWidget {
    Q_OBJECT

public:
    ReportWindow(Measurement measurement, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// A window for a saved file's levels; `sourcePath` names the file (hashed as it is now).
    static ReportWindow* forFile(stored::LevelList list, const QString& sourcePath,
                                 dialogs::Dialogs& dialogs, QWidget* parent);

    /// The measurement with the fields as they stand; nothing, with the reason said, when a
    /// calibration reading is not a number.
    std::optional<Measurement> measurement();
    /// Asks for a file name and writes the report; false when cancelled or refused.
    bool savePdf();

private:
    Measurement m_measurement;
    dialogs::Dialogs& m_dialogs;
    QComboBox* m_regulation = nullptr;
    QComboBox* m_standard = nullptr;
    QComboBox* m_paper = nullptr;
    QLineEdit* m_worker = nullptr;
    QLineEdit* m_task = nullptr;
    QLineEdit* m_location = nullptr;
    QLineEdit* m_calBefore = nullptr;
    QLineEdit* m_calAfter = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace nd::report::ui
