#pragma once

#include <QDateTime>
#include <QWidget>

#include <array>
#include <functional>

class QButtonGroup;
class QComboBox;
class QFrame;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::setup {

class SetupRunner;
struct SetupFields;
struct SetupResult;

/// The "Setup" window: the meter's criterion level, exchange rate, threshold level,
/// clock and time weighting, sent by driving the meter's setup mode. The transfer is a
/// link job: the window never waits on the meter; closing it meanwhile abandons the
/// transfer, shows what the meter then holds and closes.
class Setup final : public QWidget {
    Q_OBJECT

public:
    Setup(SetupRunner& runner, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// Fills the controls from the meter's last reported state and the PC clock.
    void load();
    /// The form as typed.
    SetupFields fields() const;
    /// The PC clock the date and time boxes follow (tests give their own).
    void setPcClock(std::function<QDateTime()> clock);
    /// Copies the PC clock into the date and time boxes unless the user edited one.
    void followPcClock();

protected:
    /// Closing during this window's transfer abandons it first; the window closes once
    /// the meter has been read and the result shown.
    void closeEvent(QCloseEvent* event) override;

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
    QTimer* m_Timer1 = nullptr;     ///< advances the bar every 500 ms during a transfer
    QTimer* m_clockTimer = nullptr; ///< keeps the date and time boxes on the PC clock
    std::function<QDateTime()> m_pcClock = [] { return QDateTime::currentDateTime(); };
    bool m_fillingClock = false;
    bool m_clockEdited = false;
    bool m_transferMine = false;
    bool m_closeWhenDone = false;
};

} // namespace nd::setup
