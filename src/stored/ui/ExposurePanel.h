#pragma once

#include "stored/Exposure.h"

#include <QGroupBox>

#include <functional>
#include <optional>

class QComboBox;
class QFormLayout;
class QLabel;

namespace nd::link {
struct MeterState;
}

namespace nd::stored::ui {

/// The exposure figures of a level list under the standard chosen in its combo box
/// (`CboStandard`): the four presets and "As meter". The choice is remembered across
/// runs. "As meter" asks the main window for the settings in effect; without a meter it
/// says so and shows the levels only.
class ExposurePanel final : public QGroupBox {
    Q_OBJECT

public:
    /// The meter's criterion, exchange rate and threshold, when known.
    using MeterSettings = std::function<std::optional<Standard>()>;

    explicit ExposurePanel(MeterSettings meterSettings = {}, QWidget* parent = nullptr);

    /// "As meter" from a published meter state: its criterion, exchange rate and threshold
    /// (0: none); nothing without a state, before the settings were read, or with no meter.
    static std::optional<Standard> settingsOf(const link::MeterState* state);

    /// The list to show the figures of; it must outlive the panel (the window's model).
    void setSource(const LevelList* list);
    /// Computes and shows the figures of the list as it stands.
    void refresh();
    /// The figures shown last.
    const Exposure& exposure() const { return m_exposure; }
    /// The chosen standard, or nothing for "As meter" without a meter.
    std::optional<Standard> standard() const;
    /// The text of the value beside `label` ("LAeq", "Dose", ...); empty if not shown.
    QString figure(const QString& label) const;

    static constexpr char kSettingsKey[] = "exposure/standard";

private:
    void show(const Exposure& e, const QString& remark, bool withDose);
    void standardChosen();

    MeterSettings m_meterSettings;
    const LevelList* m_list = nullptr;
    Exposure m_exposure;
    QComboBox* m_CboStandard = nullptr;
    QFormLayout* m_figures = nullptr;
    QLabel* m_LblRemarks = nullptr;
};

} // namespace nd::stored::ui
