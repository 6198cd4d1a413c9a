#include "ReportWindow.h"

#include "dialogs/Dialogs.h"
#include "report/PdfPages.h"
#include "report/Reports.h"
#include "stored/SaveFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nd::report::ui {

namespace {

QLineEdit* edit(const QString& name, const QString& text, const QString& placeholder = {}) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setPlaceholderText(placeholder);
    return e;
}

/// A calibrator reading: nothing for an empty box; false in `ok` for text that is none.
std::optional<double> reading(const QLineEdit* e, bool& ok) {
    const QString text = e->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    double v = QLocale().toDouble(text, &ok);
    if (!ok)
        v = text.toDouble(&ok); // "94.0" where the locale writes "94,0"
    if (!ok)
        return std::nullopt;
    ok = v >= 60.0 && v <= 140.0;
    return v;
}

} // namespace

ReportWindow::ReportWindow(Measurement measurement, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_measurement(std::move(measurement)), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("ReportWindow"));
    setWindowTitle(QStringLiteral("Report - %1")
                       .arg(m_measurement.source.isEmpty() ? QStringLiteral("unsaved levels")
                                                           : m_measurement.source));
    setAttribute(Qt::WA_DeleteOnClose);

    m_regulation = new QComboBox;
    m_regulation->setObjectName(QStringLiteral("Regulation"));
    m_regulation->addItem(QStringLiteral("EU: Directive 2003/10/EC"), QStringLiteral("eu"));
    m_regulation->addItem(QStringLiteral("US: 29 CFR 1910.95 (OSHA)"), QStringLiteral("osha"));
    m_standard = new QComboBox;
    m_standard->setObjectName(QStringLiteral("Standard"));
    for (const stored::Standard& s : stored::standardPresets())
        m_standard->addItem(s.name, s.key);
    const auto followRegulation = [this] {
        const auto r = parseRegulation(m_regulation->currentData().toString());
        m_standard->setCurrentIndex(m_standard->findData(defaultStandardKey(*r)));
    };
    connect(m_regulation, &QComboBox::currentIndexChanged, this, followRegulation);
    followRegulation();
    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("Paper"));
    m_paper->addItem(QStringLiteral("A4"), int(QPageSize::A4));
    m_paper->addItem(QStringLiteral("Letter"), int(QPageSize::Letter));
    m_paper->setCurrentIndex(defaultPaper() == QPageSize::Letter ? 1 : 0);

    m_worker = edit(QStringLiteral("Worker"), m_measurement.worker);
    m_task = edit(QStringLiteral("Task"), m_measurement.task);
    m_location = edit(QStringLiteral("Location"), m_measurement.location);
    const auto calText = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'f', 1) : QString();
    };
    m_calBefore = edit(QStringLiteral("CalBefore"), calText(m_measurement.calibrationBefore),
                       QStringLiteral("calibrator reading, dB"));
    m_calAfter = edit(QStringLiteral("CalAfter"), calText(m_measurement.calibrationAfter),
                      QStringLiteral("calibrator reading, dB"));
    m_notes = new QPlainTextEdit(m_measurement.notes);
    m_notes->setObjectName(QStringLiteral("Notes"));
    m_notes->setMaximumHeight(80);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Regulation"), m_regulation);
    form->addRow(QStringLiteral("Standard for dose"), m_standard);
    form->addRow(QStringLiteral("Paper"), m_paper);
    form->addRow(QStringLiteral("Worker"), m_worker);
    form->addRow(QStringLiteral("Task"), m_task);
    form->addRow(QStringLiteral("Location"), m_location);
    form->addRow(QStringLiteral("Calibration before"), m_calBefore);
    form->addRow(QStringLiteral("Calibration after"), m_calAfter);
    form->addRow(QStringLiteral("Notes"), m_notes);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);
    auto* buttons = new QDialogButtonBox;
    QPushButton* save =
        buttons->addButton(QStringLiteral("Save PDF…"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("SavePdf"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    connect(save, &QPushButton::clicked, this, &ReportWindow::savePdf);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(440, sizeHint().height());
}

ReportWindow* ReportWindow::forFile(stored::LevelList list, const QString& sourcePath,
                                    dialogs::Dialogs& dialogs, QWidget* parent) {
    Measurement m;
    m.list = std::move(list);
    if (!sourcePath.isEmpty()) {
        m.source = QFileInfo(sourcePath).fileName();
        QFile file(sourcePath);
        if (file.open(QIODevice::ReadOnly))
            m.contentHash = contentHash(file.readAll());
    }
    return new ReportWindow(std::move(m), dialogs, parent);
}

std::optional<Measurement> ReportWindow::measurement() {
    Measurement m = m_measurement;
    m.worker = m_worker->text().trimmed();
    m.task = m_task->text().trimmed();
    m.location = m_location->text().trimmed();
    m.notes = m_notes->toPlainText().trimmed();
    for (auto [box, value] : {std::pair{m_calBefore, &m.calibrationBefore},
                              std::pair{m_calAfter, &m.calibrationAfter}}) {
        bool ok = true;
        *value = reading(box, ok);
        if (!ok) {
            m_dialogs.message(this, {QStringLiteral("\"%1\" is not a calibrator reading: give "
                                                    "the level in dB (60 to 140), or nothing.")
                                         .arg(box->text()),
                                     dialogs::Buttons::Ok,
                                     dialogs::Icon::Exclamation,
                                     {}});
            box->setFocus();
            return std::nullopt;
        }
    }
    return m;
}

bool ReportWindow::savePdf() {
    const auto m = measurement();
    if (!m)
        return false;
    const auto choice =
        m_dialogs.saveFile(this, QStringLiteral("Save report"), QStringLiteral("PDF[*.pdf]|*.pdf"));
    if (!choice || choice->path.isEmpty())
        return false;
    const QString* path = &choice->path; // the rest reads *path
    ReportOptions o;
    o.regulation = *parseRegulation(m_regulation->currentData().toString());
    o.standard = *stored::presetByKey(m_standard->currentData().toString());
    o.paper = static_cast<QPageSize::PageSizeId>(m_paper->currentData().toInt());
    if (const auto why = stored::saveBytes(*path, measurementReportPdf(*m, o))) {
        m_dialogs.message(
            this, {QStringLiteral("The report could not be saved to %1.\r\n%2").arg(*path, *why),
                   dialogs::Buttons::Ok,
                   dialogs::Icon::Exclamation,
                   {}});
        return false;
    }
    m_measurement = *m;
    m_status->setText(QStringLiteral("Saved %1. %2: %3.")
                          .arg(QFileInfo(*path).fileName(), regulationName(o.regulation),
                               judge(m->list, o.regulation).summary()));
    return true;
}

} // namespace nd::report::ui
