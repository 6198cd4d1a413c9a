#pragma once

#include <QWidget>

#include <array>

class QButtonGroup;
class QComboBox;
class QFrame;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::setup {

class SetupRunner;
struct SetupFields;
struct SetupResult;

/// The "Setup" window: the meter's criterion level, exchange rate, threshold level,
/// clock and time weighting, sent by driving the meter's setup mode. The transfer is a
/// link job: the window never waits on the meter, and closing it meanwhile is safe.
class Setup final : public QWidget {
    Q_OBJECT

public:
    Setup(SetupRunner& runner, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// Fills the controls from the meter's last reported state and the PC clock.
    void load();
    /// The form as typed.
    SetupFields fields() const;

private:
    void buildControls();
    void startTransfer();
    void showBusy(bool busy);
    void finished(const SetupResult& result);

    SetupRunner& m_runner;
    dialogs::Dialogs& m_dialogs;
    std::array<QRadioButton*, 4> m_OptCL{};
    std::array<QRadioButton*, 4> m_OptER{};
    std::array<QRadioButton*, 2> m_Opttw{};
    QButtonGroup* m_criterionGroup = nullptr;
    QButtonGroup* m_exchangeGroup = nullptr;
    QComboBox* m_Combo = nullptr;
    std::array<QComboBox*, 5> m_TimeText{};
    QPushButton* m_CmdOK = nullptr;
    QFrame* m_PicSet = nullptr;
    QProgressBar* m_Bar = nullptr;
};

} // namespace nd::setup
