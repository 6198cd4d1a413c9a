// The Archive window's report commands: the report of one measurement, the summary of a
// selection and the task-based assessment. The windows themselves are the report folder's.
#include "ArchiveWindow.h"
#include "dialogs/Dialogs.h"
#include "report/Measurement.h"
#include "report/PdfPages.h"
#include "report/Reports.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"
#include "stored/SaveFile.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>

namespace nd::archive::ui {

namespace {

void tell(dialogs::Dialogs& dialogs, QWidget* parent, const QString& text) {
    dialogs.message(parent, {text, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
}

} // namespace

QWidget* ArchiveWindow::reportSelected() {
    const auto m = selected();
    if (!m) {
        tell(m_dialogs, this, QStringLiteral("Select the measurement to report."));
        return nullptr;
    }
    if (m->kind == Kind::Bank) {
        tell(m_dialogs, this,
             QStringLiteral("Measurement %1 is a bank read: it holds no levels to report. Open it "
                            "in the Event window.")
                 .arg(m->id));
        return nullptr;
    }
    report::MeasurementLoad load = report::loadArchived(m_archive, m->id);
    if (!load.measurement) {
        tell(m_dialogs, this, load.error);
        return nullptr;
    }
    auto* window = new report::ui::ReportWindow(std::move(*load.measurement), m_dialogs, this);
    window->setWindowTitle(QStringLiteral("Report - %1 (archive %2)").arg(m->source).arg(m->id));
    window->show();
    return window;
}

bool ArchiveWindow::summaryOfSelection() {
    std::vector<report::Measurement> measurements;
    for (const Measurement& m : selectedAll()) {
        if (m.kind == Kind::Bank)
            continue; // a bank read holds no levels
        report::MeasurementLoad load = report::loadArchived(m_archive, m.id);
        if (!load.measurement) {
            tell(m_dialogs, this, load.error);
            return false;
        }
        measurements.push_back(std::move(*load.measurement));
    }
    if (measurements.empty()) {
        tell(m_dialogs, this,
             QStringLiteral("Select the measurements to summarise (bank reads hold no levels)."));
        return false;
    }
    const auto choice = m_dialogs.saveFile(this, QStringLiteral("Save summary report"),
                                           QStringLiteral("PDF[*.pdf]|*.pdf"));
    if (!choice || choice->path.isEmpty())
        return false;
    const QString* path = &choice->path; // the rest reads *path
    report::ReportOptions o;
    o.regulation = QLocale::system().country() == QLocale::UnitedStates ? report::Regulation::Osha
                                                                        : report::Regulation::Eu;
    o.standard = *stored::presetByKey(report::defaultStandardKey(o.regulation));
    o.paper = report::defaultPaper();
    if (const auto why = stored::saveBytes(*path, report::summaryReportPdf(measurements, o))) {
        tell(m_dialogs, this,
             QStringLiteral("The summary could not be saved to %1.\r\n%2").arg(*path, *why));
        return false;
    }
    m_status->setText(QStringLiteral("Saved %1 (%2 measurements).")
                          .arg(QFileInfo(*path).fileName())
                          .arg(measurements.size()));
    return true;
}

QWidget* ArchiveWindow::assessSelection() {
    auto* window = new report::ui::AssessmentWindow(m_dialogs, this);
    window->setArchiveLocation(m_location);
    // One task per task tag, in the order first met, with its measurements; the user
    // gives the hours.
    QStringList names;
    std::vector<std::vector<qint64>> ids;
    QStringList workers;
    for (const Measurement& m : selectedAll()) {
        if (m.kind == Kind::Bank)
            continue;
        const QString name = m.tags.task.isEmpty() ? QStringLiteral("Task") : m.tags.task;
        qsizetype at = names.indexOf(name);
        if (at < 0) {
            names << name;
            ids.emplace_back();
            at = names.size() - 1;
        }
        ids[static_cast<std::size_t>(at)].push_back(m.id);
        if (!workers.contains(m.tags.worker))
            workers << m.tags.worker;
    }
    for (qsizetype i = 0; i < names.size(); ++i)
        window->addArchiveTask(names[i], 1.0, ids[static_cast<std::size_t>(i)]);
    if (workers.size() == 1) // one worker's day; a mixed selection leaves it to the user
        window->setWorker(workers.front());
    window->show();
    return window;
}

} // namespace nd::archive::ui
