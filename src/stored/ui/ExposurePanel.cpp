#include "ExposurePanel.h"

#include "link/MeterState.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

namespace nd::stored::ui {

ExposurePanel::ExposurePanel(MeterSettings meterSettings, QWidget* parent)
    : QGroupBox(QStringLiteral("Exposure"), parent), m_meterSettings(std::move(meterSettings)) {
    setObjectName(QStringLiteral("Exposure"));
    m_CboStandard = new QComboBox;
    m_CboStandard->setObjectName(QStringLiteral("CboStandard"));
    for (const Standard& s : standardPresets())
        m_CboStandard->addItem(s.name, s.key);
    m_CboStandard->addItem(QStringLiteral("As meter"), QString::fromLatin1(kMeterStandardKey));
    const QString remembered = QSettings().value(QLatin1String(kSettingsKey)).toString();
    m_CboStandard->setCurrentIndex(std::max(0, m_CboStandard->findData(remembered)));
    connect(m_CboStandard, &QComboBox::currentIndexChanged, this, &ExposurePanel::standardChosen);

    auto* figures = new QWidget;
    m_figures = new QFormLayout(figures);
    m_figures->setContentsMargins(0, 0, 0, 0);
    m_figures->setVerticalSpacing(2);
    m_LblRemarks = new QLabel;
    m_LblRemarks->setObjectName(QStringLiteral("LblRemarks"));
    m_LblRemarks->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_CboStandard);
    layout->addWidget(figures);
    layout->addWidget(m_LblRemarks);
    layout->addStretch(1);
    // Beside a level grid: wide enough for the figures, the grid takes the rest.
    setFixedWidth(300);
}

std::optional<Standard> ExposurePanel::settingsOf(const link::MeterState* state) {
    if (!state || state->CriterionLevel <= 0 || state->ExchangeRate <= 0 ||
        state->LinkCaption == QLatin1String("No COM"))
        return std::nullopt;
    bool ok = false;
    const double threshold = state->ThresholdText.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return meterStandard(state->CriterionLevel, state->ExchangeRate,
                         threshold > 0 ? std::optional<double>(threshold) : std::nullopt);
}

std::optional<Standard> ExposurePanel::standard() const {
    const QString key = m_CboStandard->currentData().toString();
    if (key != QLatin1String(kMeterStandardKey))
        return presetByKey(key);
    return m_meterSettings ? m_meterSettings() : std::nullopt;
}

void ExposurePanel::standardChosen() {
    QSettings().setValue(QLatin1String(kSettingsKey), m_CboStandard->currentData());
    refresh();
}

void ExposurePanel::setSource(const LevelList* list) {
    m_list = list;
    refresh();
}

void ExposurePanel::refresh() {
    static const LevelList kNone;
    const LevelList& list = m_list ? *m_list : kNone;
    if (const auto chosen = standard()) {
        show(computeExposure(list, *chosen), {}, true);
        return;
    }
    // No meter to ask: the levels and LEX,8h still mean something, a dose does not.
    show(computeExposure(list, standardPresets().front()),
         QStringLiteral("The meter's settings are not known (no meter answering): no dose."),
         false);
}

void ExposurePanel::show(const Exposure& e, const QString& remark, bool withDose) {
    static const QStringList kDoseRows = {QStringLiteral("Dose"), QStringLiteral("TWA"),
                                          QStringLiteral("Projected 8 h dose")};
    m_exposure = e;
    while (m_figures->rowCount() > 0)
        m_figures->removeRow(0);
    for (const auto& [label, value] : exposureRows(e)) {
        if (label == QLatin1String("Standard") || (!withDose && kDoseRows.contains(label)))
            continue; // the combo box says the standard
        auto* valueLabel = new QLabel(value);
        valueLabel->setObjectName(QStringLiteral("Lbl") + label);
        valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_figures->addRow(label + QLatin1Char(':'), valueLabel);
    }
    QStringList remarks = exposureRemarks(e);
    if (!remark.isEmpty())
        remarks.prepend(remark);
    m_LblRemarks->setText(remarks.join(QLatin1Char('\n')));
}

QString ExposurePanel::figure(const QString& label) const {
    for (int r = 0; r < m_figures->rowCount(); ++r) {
        auto* name = qobject_cast<QLabel*>(m_figures->itemAt(r, QFormLayout::LabelRole)->widget());
        if (name && name->text() == label + QLatin1Char(':'))
            return qobject_cast<QLabel*>(m_figures->itemAt(r, QFormLayout::FieldRole)->widget())
                ->text();
    }
    return {};
}

} // namespace nd::stored::ui
