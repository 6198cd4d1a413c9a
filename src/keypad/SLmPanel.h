#pragma once

#include "KeypadRules.h"

#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link {
class MeterLink;
}

namespace nd::keypad {

/// The "Control Panel" window: a picture of the meter's front. The display copy follows
/// the published meter state on its own timer; each key button is one link job, so a key
/// press never shares the line with the poll or a setup transfer.
class SLmPanel final : public QWidget {
    Q_OBJECT

public:
    using ValueText = std::function<QString()>;

    /// `valueText` gives the main window's reading as it shows it.
    SLmPanel(link::MeterLink& link, dialogs::Dialogs& dialogs, ValueText valueText,
             QWidget* parent = nullptr);

    /// One timer tick: the display copy and the captions from the state.
    void refresh();
    /// A key button's click; refused (nothing queued) while a setup transfer runs.
    void press(Key key);
    const DisplayCopy& shown() const { return m_shown; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildDisplay();
    QWidget* buildKeys();
    QLabel* symbol(const QString& name, const QString& text);
    /// Enables the keys as the state allows; all off, with a tooltip, while setting up.
    void updateKeys();

    link::MeterLink& m_link;
    dialogs::Dialogs& m_dialogs;
    ValueText m_valueText;
    DisplayCopy m_shown;
    bool m_runPending = false;

    QTimer* m_Timer1 = nullptr;
    QAction* m_CmdLock = nullptr;
    QLabel* m_LblValue = nullptr;
    QLabel* m_LblTime = nullptr;
    QLabel* m_ImgDoubleDot = nullptr;
    QLabel* m_ImgDash = nullptr;
    QLabel* m_LblPause = nullptr;
    QLabel* m_ImgRun = nullptr;
    QLabel* m_LblDose = nullptr;
    QLabel* m_LbldBA = nullptr;
    QLabel* m_LblMem = nullptr;
    QLabel* m_ImgLoud = nullptr;
    QLabel* m_LblPK = nullptr;
    QLabel* m_LblPoint1 = nullptr;
    QLabel* m_LblPoint2 = nullptr;
    QLabel* m_LblBank = nullptr;
    QLabel* m_ImgBattery = nullptr;
    QLabel* m_LblFast = nullptr;
    QLabel* m_LblSlow = nullptr;
    QProgressBar* m_LevelBar = nullptr;
    QPushButton* m_CmdMode = nullptr;
    QPushButton* m_CmdEvent = nullptr;
    QPushButton* m_CmdReset = nullptr;
    QPushButton* m_CmdTime = nullptr;
    QPushButton* m_CmdRun = nullptr;
    QPushButton* m_CmdPause = nullptr;
};

inline constexpr int kKeypadRefreshMs = 450;
inline constexpr char kSettingUpTip[] =
    "The meter is being set up; its keys are refused until the setup ends.";

} // namespace nd::keypad
