#include "AssessmentWindow.h"

#include "archive/Archive.h"
#include "dialogs/Dialogs.h"
#include "report/PdfPages.h"
#include "report/Reports.h"
#include "stored/SaveFile.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace nd::report::ui {

namespace {

enum Column { kName, kHours, kHoursUncertainty, kMeasurements };
const QString kPlanFilter = QStringLiteral("Assessment plan[*.json]|*.json|All type[*.*]|*.*");

QPushButton* button(const QString& name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

/// A cell's number in the user's or the C locale; NaN for anything else.
double cellNumber(const QTableWidgetItem* item) {
    if (!item)
        return std::numeric_limits<double>::quiet_NaN();
    const QString text = item->text().trimmed();
    bool ok = false;
    double v = QLocale().toDouble(text, &ok);
    if (!ok)
        v = text.toDouble(&ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

AssessmentWindow::AssessmentWindow(dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Assessment"));
    setWindowTitle(QStringLiteral("Assessment"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_worker = new QLineEdit;
    m_worker->setObjectName(QStringLiteral("Worker"));
    m_instrument = new QComboBox;
    m_instrument->setObjectName(QStringLiteral("Instrument"));
    m_instrument->addItem(QStringLiteral("Class 1 sound level meter (u2 = 0.7 dB)"));
    m_instrument->addItem(QStringLiteral("Class 2 meter or personal exposure meter (u2 = 1.5 dB)"));
    m_instrument->setCurrentIndex(1);
    m_dayHours = new QDoubleSpinBox;
    m_dayHours->setObjectName(QStringLiteral("DayHours"));
    m_dayHours->setRange(0.5, 24.0);
    m_dayHours->setSingleStep(0.5);
    m_dayHours->setValue(8.0);
    m_dayHours->setSuffix(QStringLiteral(" h"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Worker"), m_worker);
    form->addRow(QStringLiteral("Instrument"), m_instrument);
    form->addRow(QStringLiteral("Working day"), m_dayHours);

    m_table = new QTableWidget(0, 4);
    m_table->setObjectName(QStringLiteral("Tasks"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Task"), QStringLiteral("Hours"),
                                        QStringLiteral("± hours"),
                                        QStringLiteral("Measurements (.dat files, #archive)")});
    m_table->horizontalHeader()->setSectionResizeMode(kMeasurements, QHeaderView::Stretch);
    m_table->setColumnWidth(kName, 150);
    m_table->setColumnWidth(kHours, 60);
    m_table->setColumnWidth(kHoursUncertainty, 70);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();

    auto* rowButtons = new QHBoxLayout;
    QPushButton* add = button(QStringLiteral("AddTask"), QStringLiteral("Add task"));
    QPushButton* remove = button(QStringLiteral("RemoveTask"), QStringLiteral("Remove task"));
    QPushButton* addFile =
        button(QStringLiteral("AddMeasurement"), QStringLiteral("Add measurement…"));
    QPushButton* fromArchive =
        button(QStringLiteral("AddFromArchive"), QStringLiteral("Add from archive…"));
    QPushButton* clear =
        button(QStringLiteral("ClearMeasurements"), QStringLiteral("Clear measurements"));
    for (QPushButton* b : {add, remove, addFile, fromArchive, clear})
        rowButtons->addWidget(b);
    rowButtons->addStretch();

    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("Result"));
    QFont big = m_result->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    m_result->setFont(big);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details = new QLabel;
    m_details->setObjectName(QStringLiteral("Details"));
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* bottom = new QHBoxLayout;
    QPushButton* open = button(QStringLiteral("OpenPlan"), QStringLiteral("Open plan…"));
    QPushButton* save = button(QStringLiteral("SavePlan"), QStringLiteral("Save plan…"));
    QPushButton* report = button(QStringLiteral("Report"), QStringLiteral("Report…"));
    QPushButton* close = button(QStringLiteral("Close"), QStringLiteral("Close"));
    for (QPushButton* b : {open, save, report})
        bottom->addWidget(b);
    bottom->addStretch();
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_table, 1);
    layout->addLayout(rowButtons);
    layout->addWidget(m_result);
    layout->addWidget(m_details);
    layout->addLayout(bottom);

    connect(add, &QPushButton::clicked, this, &AssessmentWindow::addTask);
    connect(remove, &QPushButton::clicked, this, &AssessmentWindow::removeTask);
    connect(addFile, &QPushButton::clicked, this, &AssessmentWindow::addMeasurement);
    connect(fromArchive, &QPushButton::clicked, this, &AssessmentWindow::addFromArchive);
    connect(clear, &QPushButton::clicked, this, [this] {
        const int row = m_table->currentRow();
        if (row < 0)
            return;
        m_measurements[static_cast<std::size_t>(row)].clear();
        showMeasurements(row);
        recompute();
    });
    connect(open, &QPushButton::clicked, this, &AssessmentWindow::openPlan);
    connect(save, &QPushButton::clicked, this, &AssessmentWindow::savePlan);
    connect(report, &QPushButton::clicked, this, &AssessmentWindow::saveReport);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            recompute();
    });
    connect(m_worker, &QLineEdit::textChanged, this, &AssessmentWindow::recompute);
    connect(m_instrument, &QComboBox::currentIndexChanged, this, &AssessmentWindow::recompute);
    connect(m_dayHours, &QDoubleSpinBox::valueChanged, this, &AssessmentWindow::recompute);
    resize(760, 520);
    recompute();
}

AssessmentWindow::~AssessmentWindow() = default;

void AssessmentWindow::setArchiveLocation(const QString& location) {
    m_archiveLocation = location;
    m_archive.reset();
    m_levels.clear();
    recompute();
}

archive::Archive* AssessmentWindow::openArchive(QString* why) {
    if (!m_archive && !m_archiveLocation.isEmpty()) {
        auto a = std::make_unique<archive::Archive>();
        if (!a->open(m_archiveLocation, true)) {
            if (why)
                *why = a->error();
            return nullptr;
        }
        m_archive = std::move(a);
    }
    if (!m_archive && why)
        *why = QStringLiteral("no archive is set");
    return m_archive.get();
}

void AssessmentWindow::addArchiveTask(const QString& name, double hours,
                                      const std::vector<qint64>& ids) {
    PlanTask task{name, hours, 0.0, {}};
    for (qint64 id : ids)
        task.measurements.push_back({QString::number(id), std::nullopt, std::nullopt});
    addRow(task);
    m_table->selectRow(m_table->rowCount() - 1);
    recompute();
}

void AssessmentWindow::setWorker(const QString& worker) {
    m_worker->setText(worker);
}

void AssessmentWindow::addRow(const PlanTask& task) {
    m_filling = true;
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, kName, new QTableWidgetItem(task.name));
    m_table->setItem(row, kHours, new QTableWidgetItem(QString::number(task.hours, 'g', 4)));
    m_table->setItem(row, kHoursUncertainty,
                     new QTableWidgetItem(QString::number(task.hoursUncertainty, 'g', 3)));
    auto* files = new QTableWidgetItem;
    files->setFlags(files->flags() & ~Qt::ItemIsEditable);
    m_table->setItem(row, kMeasurements, files);
    m_measurements.push_back(task.measurements);
    showMeasurements(row);
    m_filling = false;
}

void AssessmentWindow::showMeasurements(int row) {
    QStringList names;
    QStringList paths;
    for (const PlanMeasurement& m : m_measurements[static_cast<std::size_t>(row)]) {
        const bool archived = isArchiveReference(m.reference);
        names << (archived ? QStringLiteral("#%1").arg(archiveNumber(m.reference))
                           : QFileInfo(m.reference).fileName());
        paths << (archived ? QStringLiteral("archive measurement %1").arg(m.reference)
                           : m.reference);
    }
    const bool filling = m_filling;
    m_filling = true;
    QTableWidgetItem* item = m_table->item(row, kMeasurements);
    item->setText(names.isEmpty() ? QStringLiteral("(none: add a measurement)")
                                  : names.join(QStringLiteral(", ")));
    item->setToolTip(paths.join('\n'));
    m_filling = filling;
}

void AssessmentWindow::addTask() {
    addRow({QStringLiteral("Task %1").arg(m_table->rowCount() + 1), 1.0, 0.0, {}});
    m_table->selectRow(m_table->rowCount() - 1);
    recompute();
}

void AssessmentWindow::removeTask() {
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    m_measurements.erase(m_measurements.begin() + row);
    recompute();
}

bool AssessmentWindow::addMeasurement() {
    const int row = m_table->currentRow();
    if (row < 0) {
        m_dialogs.message(this, {QStringLiteral("Select the task the measurement belongs to."),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
        return false;
    }
    const auto path = m_dialogs.openFile(this, QStringLiteral("Add measurement"),
                                         QStringLiteral("Data File[*.dat]|*.dat"));
    if (!path || path->isEmpty())
        return false;
    m_measurements[static_cast<std::size_t>(row)].push_back(
        {QFileInfo(*path).absoluteFilePath(), std::nullopt, std::nullopt});
    showMeasurements(row);
    recompute();
    return true;
}

bool AssessmentWindow::addFromArchive() {
    const int row = m_table->currentRow();
    QString why;
    if (row < 0)
        why = QStringLiteral("Select the task the measurements belong to.");
    else if (!openArchive(&why))
        why = QStringLiteral("The archive could not be opened.\r\n%1").arg(why);
    if (!why.isEmpty()) {
        m_dialogs.message(this, {why, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
        return false;
    }
    const auto typed = m_dialogs.input(
        this,
        QStringLiteral("The archive numbers of the measurements of \"%1\" (the No. column of "
                       "the Archive window), separated by commas or spaces:")
            .arg(m_table->item(row, kName)->text()),
        QStringLiteral("Add from archive"), {});
    if (!typed)
        return false;
    std::vector<PlanMeasurement> added;
    for (const QString& word :
         typed->split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts)) {
        if (!isArchiveReference(word) || archiveNumber(word) < 1) {
            m_dialogs.message(this, {QStringLiteral("\"%1\" is not an archive number.").arg(word),
                                     dialogs::Buttons::Ok,
                                     dialogs::Icon::Exclamation,
                                     {}});
            return false;
        }
        added.push_back({QString::number(archiveNumber(word)), std::nullopt, std::nullopt});
    }
    // A measurement already in the task is not counted twice.
    auto& measurements = m_measurements[static_cast<std::size_t>(row)];
    for (const PlanMeasurement& m : added) {
        if (std::none_of(measurements.begin(), measurements.end(),
                         [&m](const PlanMeasurement& had) { return had.reference == m.reference; }))
            measurements.push_back(m);
    }
    showMeasurements(row);
    recompute();
    return !added.empty();
}

PlanRead AssessmentWindow::currentPlan() const {
    Plan plan;
    plan.worker = m_worker->text().trimmed();
    plan.instrument =
        m_instrument->currentIndex() == 0 ? InstrumentClass::Class1 : InstrumentClass::Class2;
    plan.dayHours = m_dayHours->value();
    for (int row = 0; row < m_table->rowCount(); ++row)
        plan.tasks.push_back({m_table->item(row, kName)->text().trimmed(),
                              cellNumber(m_table->item(row, kHours)),
                              cellNumber(m_table->item(row, kHoursUncertainty)),
                              m_measurements[static_cast<std::size_t>(row)]});
    // Through the file's own reader, so the window refuses exactly what a plan file would.
    return parsePlan(planJson(plan));
}

void AssessmentWindow::recompute() {
    m_assessment.reset();
    const PlanRead read = currentPlan();
    if (!read.plan) {
        m_result->setText(QStringLiteral("LEX,8h: -"));
        m_details->setText(m_table->rowCount() == 0
                               ? QStringLiteral("Add the tasks of the working day, each with the "
                                                "measurements made of it.")
                               : read.error);
        return;
    }
    const PlanAssessmentRun run = runPlan(*read.plan, [this](const QString& reference) {
        auto cached = m_levels.find(reference);
        if (cached == m_levels.end())
            cached = m_levels.insert(
                reference,
                levelOf(reference, {}, isArchiveReference(reference) ? openArchive() : nullptr));
        return *cached;
    });
    if (!run.assessment) {
        m_result->setText(QStringLiteral("LEX,8h: -"));
        m_details->setText(run.error);
        return;
    }
    m_assessment = run.assessment;
    const AssessmentResult& r = m_assessment->result;
    m_result->setText(
        QStringLiteral("LEX,8h = %1 dB(A) ± %2 dB").arg(r.lex8h, 0, 'f', 1).arg(r.U, 0, 'f', 1));
    QStringList lines;
    lines << QStringLiteral("u = %1 dB; U without the durations' uncertainty = %2 dB; "
                            "LEX,8h + U = %3 dB(A).")
                 .arg(r.u, 0, 'f', 1)
                 .arg(r.UWithoutHours, 0, 'f', 1)
                 .arg(r.lex8h + r.U, 0, 'f', 1);
    for (const TaskResult& t : r.tasks)
        lines << QStringLiteral("%1: LAeq %2 dB, LEX,8h %3 dB (%4 %)")
                     .arg(t.name)
                     .arg(t.laeq, 0, 'f', 1)
                     .arg(t.lex8h, 0, 'f', 1)
                     .arg(t.contributionPercent, 0, 'f', 0);
    for (const QString& w : r.warnings)
        lines << QStringLiteral("Warning: ") + w;
    m_details->setText(lines.join('\n'));
}

QString AssessmentWindow::resultText() const {
    return m_result->text();
}

bool AssessmentWindow::loadPlan(const QString& path) {
    QFile file(path);
    PlanRead read;
    if (!file.open(QIODevice::ReadOnly))
        read.error = file.errorString();
    else
        read = parsePlan(file.readAll());
    if (!read.plan) {
        m_dialogs.message(this, {QStringLiteral("%1 could not be read.\r\n%2")
                                     .arg(QFileInfo(path).fileName(), read.error),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
        return false;
    }
    const QDir folder = QFileInfo(path).absoluteDir();
    m_filling = true;
    m_table->setRowCount(0);
    m_measurements.clear();
    m_worker->setText(read.plan->worker);
    m_instrument->setCurrentIndex(read.plan->instrument == InstrumentClass::Class1 ? 0 : 1);
    m_dayHours->setValue(read.plan->dayHours);
    for (PlanTask task : read.plan->tasks) {
        for (PlanMeasurement& m : task.measurements) {
            if (QFileInfo(m.reference).isRelative() && !isArchiveReference(m.reference))
                m.reference = folder.absoluteFilePath(m.reference);
        }
        addRow(task);
    }
    m_filling = false;
    setWindowTitle(QStringLiteral("Assessment - %1").arg(QFileInfo(path).fileName()));
    recompute();
    return true;
}

bool AssessmentWindow::openPlan() {
    const auto path = m_dialogs.openFile(this, QStringLiteral("Open plan"), kPlanFilter);
    return path && !path->isEmpty() && loadPlan(*path);
}

bool AssessmentWindow::savePlan() {
    const auto choice = m_dialogs.saveFile(this, QStringLiteral("Save plan"), kPlanFilter);
    if (!choice || choice->path.isEmpty())
        return false;
    const QString* path = &choice->path; // the rest reads *path
    // Measurements are kept relative to the plan, so a folder moved whole still works.
    Plan plan;
    plan.worker = m_worker->text().trimmed();
    plan.instrument =
        m_instrument->currentIndex() == 0 ? InstrumentClass::Class1 : InstrumentClass::Class2;
    plan.dayHours = m_dayHours->value();
    const QDir folder = QFileInfo(*path).absoluteDir();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        PlanTask task{m_table->item(row, kName)->text().trimmed(),
                      cellNumber(m_table->item(row, kHours)),
                      cellNumber(m_table->item(row, kHoursUncertainty)),
                      m_measurements[static_cast<std::size_t>(row)]};
        if (!std::isfinite(task.hours))
            task.hours = 0.0;
        if (!std::isfinite(task.hoursUncertainty))
            task.hoursUncertainty = 0.0;
        for (PlanMeasurement& m : task.measurements) {
            if (QFileInfo(m.reference).isAbsolute())
                m.reference = folder.relativeFilePath(m.reference);
        }
        plan.tasks.push_back(std::move(task));
    }
    if (const auto why = stored::saveBytes(*path, planJson(plan))) {
        m_dialogs.message(
            this, {QStringLiteral("The plan could not be saved to %1.\r\n%2").arg(*path, *why),
                   dialogs::Buttons::Ok,
                   dialogs::Icon::Exclamation,
                   {}});
        return false;
    }
    setWindowTitle(QStringLiteral("Assessment - %1").arg(QFileInfo(*path).fileName()));
    return true;
}

bool AssessmentWindow::saveReport() {
    if (!m_assessment) {
        m_dialogs.message(
            this, {QStringLiteral("There is no result to report yet.\r\n%1").arg(m_details->text()),
                   dialogs::Buttons::Ok,
                   dialogs::Icon::Exclamation,
                   {}});
        return false;
    }
    const auto choice =
        m_dialogs.saveFile(this, QStringLiteral("Save report"), QStringLiteral("PDF[*.pdf]|*.pdf"));
    if (!choice || choice->path.isEmpty())
        return false;
    const QString* path = &choice->path; // the rest reads *path
    PlanAssessment a = *m_assessment;
    for (auto& uses : a.uses) {
        for (MeasurementUse& use : uses)
            use.reference = QFileInfo(use.reference).fileName();
    }
    ReportOptions o;
    o.paper = defaultPaper();
    if (const auto why = stored::saveBytes(*path, assessmentReportPdf(a, o))) {
        m_dialogs.message(
            this, {QStringLiteral("The report could not be saved to %1.\r\n%2").arg(*path, *why),
                   dialogs::Buttons::Ok,
                   dialogs::Icon::Exclamation,
                   {}});
        return false;
    }
    return true;
}

} // namespace nd::report::ui
