#pragma once

#include "ProgramState.h"
#include "SampleSchedule.h"
#include "link/MeterLink.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::stored::ui {
class FileList;
class List;
class Memory;
} // namespace nd::stored::ui
namespace nd::archive::ui {
class ArchiveHooks;
}
namespace nd::events {
class FrmEvent;
}
namespace nd::realtime {
class LiveFeed;
}
namespace nd::realtime::ui {
class Average;
class RealTimeSLM;
} // namespace nd::realtime::ui

namespace nd::keypad {
class SLmPanel;
}
namespace nd::setup {
class Setup;
class SetupRunner;
class Standard;
} // namespace nd::setup

namespace nd::panel {

class Analog;
class CaptionPanel;
class ClickableLabel;
class Digital;
class DigitKeyFilter;
class RecordingControls;

/// The main window: the live reading and the meter's settings, the PC-side maximum and
/// minimum, the PC sample schedule, and the commands that open the other windows.
/// It owns the link thread; it never touches the port itself, everything that talks to
/// the meter is a link job.
class Panel final : public QMainWindow {
    Q_OBJECT

public:
    explicit Panel(dialogs::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Panel() override;

    /// Starts the link thread on the port the factory makes; offline mode if it fails.
    void load(link::MeterLink::PortFactory factory, std::shared_ptr<link::Clock> clock,
              const QString& linkCaption);
    /// Loads on a serial device; an empty device (no port chosen) ends in offline mode.
    void loadDevice(const QString& device, const QString& linkCaption);

    ProgramState& programState() { return m_programState; }
    const SampleSchedule& sampleSchedule() const { return m_schedule; }
    link::MeterLink* meterLink() const { return m_link.get(); }
    RecordingControls* recording() const { return m_recording; }
    archive::ui::ArchiveHooks* archiveHooks() const { return m_archiveHooks; }
    /// Where the help folder is looked for (the program's own folder by default).
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }

    /// Stops the link, closes every window of the program and says so.
    void shutDown();

signals:
    void comCaptionChanged(const QString& caption);
    void valueCaptionChanged(const QString& text);
    /// A PC sample: DateStamp, TAB, TimeStamp, TAB, the value caption.
    void sampleTaken(const QString& line);
    /// The program should end now.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    /// Asks once about everything not saved; false when the program must go on.
    void buildControls();
    QWidget* buildValueRow();
    QWidget* buildSettingsRow();
    QWidget* buildSamplingRow();
    QWidget* buildCommandRow();
    QWidget* buildCellRow();
    void buildMenus();
    void buildFileMenu();
    void buildDisplayMenu();
    void buildOptionAndHelpMenus();
    void connectControls();

    void linkOpened(const link::OpenResult& result);
    void goOffline(const link::OpenResult& result);
    void showState(const link::MeterState& state);
    void showStatus(const link::MeterState& state);
    void showReading(const link::MeterState& state);
    void setComCaption(const QString& caption);
    void setValueCaption(const QString& text);
    void setValueStale(bool stale);
    void toggleCaption();

    void sampleTick();
    void armSampleTimer();
    void holdSampling();
    void resumeSampling();
    double monotonicSeconds() const;

    using Flag = bool ProgramState::*;
    void openWithDbaCheck(Flag flag, double pause, std::function<void()> show);
    void showWindow(Flag flag, const std::function<void()>& show);
    void openPendingWindows();
    void openGraph();
    void openList();
    void openAnalog();
    void openDigital();
    void openAverage();
    void openEvents();
    void showEvents();
    void openSavedFile();
    void openAssessment();
    void downloadMemory();
    void resetMaxMin();
    void readCell();
    void writeCell();
    void refuse(const QString& text);
    void reportUnsent(link::JobOutcome outcome);
    void showTwaNote();
    // The meter's setup and keypad windows (PanelMeterWindows.cpp).
    setup::SetupRunner* setupRunner();
    void openSetup();
    void openStandard();
    void openKeypad();
    void closeMeterWindows();
    void openHelp(int index);
    const link::MeterState& meterState() const;

    dialogs::Dialogs& m_dialogs;
    std::unique_ptr<link::MeterLink> m_link;
    ProgramState m_programState;
    SampleSchedule m_schedule;
    QTimer m_sampleTimer;
    QElapsedTimer m_monotonic;
    bool m_sampleHeld = false;
    bool m_dbaCheckRunning = false;
    bool m_averageSwitchRunning = false;
    /// Windows asked for while a dBA check ran; opened when it ends.
    struct PendingOpen {
        Flag flag;
        double pause;
        std::function<void()> show;
    };
    std::vector<PendingOpen> m_pendingOpens;
    bool m_shutDown = false;
    std::uint64_t m_lastPollCount = 0;
    QString m_programFolder;
    QPointer<Analog> m_analog;
    QPointer<Digital> m_digital;
    QPointer<stored::ui::Memory> m_memory;
    QPointer<stored::ui::List> m_list;
    QPointer<stored::ui::FileList> m_fileList;
    QPointer<QWidget> m_assessment;
    RecordingControls* m_recording = nullptr;
    QPointer<events::FrmEvent> m_events;
    // The archive's menu items and what the windows hand to it (PanelArchive.cpp).
    void buildArchiveItems();
    void archiveFrom(stored::ui::Memory* memory);
    void archiveFrom(events::FrmEvent* events);
    void archiveFrom(realtime::ui::Average* average);
    void archiveFrom(RecordingControls* recording);
    archive::ui::ArchiveHooks* m_archiveHooks = nullptr;
    // The real-time windows and the live feed they read.
    realtime::LiveFeed* liveFeed();
    void showAverage();
    void showGraph();
    realtime::LiveFeed* m_liveFeed = nullptr;
    QPointer<realtime::ui::Average> m_average;
    QPointer<realtime::ui::RealTimeSLM> m_graph;
    DigitKeyFilter* m_digitFilter = nullptr;
    QPointer<setup::SetupRunner> m_setupRunner;
    QPointer<setup::Setup> m_setup;
    QPointer<setup::Standard> m_standard;
    QPointer<keypad::SLmPanel> m_keypad;

    CaptionPanel* m_SSPanel7 = nullptr;
    QLabel* m_LblValue = nullptr;
    QLabel* m_LblUnit = nullptr;
    CaptionPanel* m_SSPanel9 = nullptr;
    QLabel* m_LblMax = nullptr;
    CaptionPanel* m_SSPanel8 = nullptr;
    QLabel* m_LblMin = nullptr;
    CaptionPanel* m_SSPanel10 = nullptr;
    QLabel* m_LblCriterion = nullptr;
    CaptionPanel* m_SSPanel6 = nullptr;
    QLabel* m_LblExchangeRate = nullptr;
    CaptionPanel* m_SSPanel5 = nullptr;
    QLabel* m_LblTimeWeighting = nullptr;
    CaptionPanel* m_SSPanel12 = nullptr;
    QLabel* m_LblThreshold = nullptr;
    CaptionPanel* m_SSPanel11 = nullptr;
    QLabel* m_LblRange = nullptr;
    CaptionPanel* m_SSPanel2 = nullptr;
    QLabel* m_LblTime = nullptr;
    ClickableLabel* m_LblCOM = nullptr;
    QPushButton* m_CmdSample = nullptr;
    QLabel* m_LblSample = nullptr;
    ClickableLabel* m_LblPC = nullptr;
    CaptionPanel* m_SSPanel3 = nullptr;
    ClickableLabel* m_SSPanel22 = nullptr;
    QLabel* m_LblRecording = nullptr;
    QLabel* m_LblCount = nullptr;
    QPushButton* m_CmdMemory = nullptr;
    QPushButton* m_CmdAvg = nullptr;
    QPushButton* m_CmdGraph = nullptr;
    QPushButton* m_CmdEvent = nullptr;
    QPushButton* m_cmdList = nullptr;
    QPushButton* m_CmdReset = nullptr;
    ClickableLabel* m_ResetLbl = nullptr;
    ClickableLabel* m_LblReset = nullptr;
    QLabel* m_Label1 = nullptr;
    QLineEdit* m_TxtRAdd = nullptr;
    QLabel* m_Label2 = nullptr;
    QLineEdit* m_TxtRData = nullptr;
    QPushButton* m_CmdRead = nullptr;
    QLabel* m_Label3 = nullptr;
    QLineEdit* m_TxtWAdd = nullptr;
    QLabel* m_Label4 = nullptr;
    QLineEdit* m_TxtWData = nullptr;
    QPushButton* m_CmdWrite = nullptr;

    QMenu* m_MnuFile = nullptr;
    QAction* m_MnuOpen = nullptr;
    QAction* m_MnuStartRecording = nullptr;
    QAction* m_MnuStopRecording = nullptr;
    QAction* m_MnuView = nullptr;
    QAction* m_MnuExit = nullptr;
    QMenu* m_MnuDisplay = nullptr;
    QAction* m_MnuList = nullptr;
    QAction* m_MnuGraph = nullptr;
    QAction* m_MnuAnalog = nullptr;
    QAction* m_MnuDigital = nullptr;
    QAction* m_MnuPanel = nullptr;
    QAction* m_MnuEvents = nullptr;
    QAction* m_MnuJob = nullptr;
    QMenu* m_MnuOption = nullptr;
    QAction* m_MnuTwa = nullptr;
    QAction* m_MnuOnes = nullptr;
    QMenu* m_MenuHelp = nullptr;
    std::array<QAction*, 6> m_MenuOpt{};
    QAction* m_MnuSetmode = nullptr;
    QAction* m_MnuVer = nullptr;
};

/// Pause before the fresh reading of the dBA check, in seconds, per window.
inline constexpr double kGraphCheckPause = 0.2;
inline constexpr double kListCheckPause = 0.4;
inline constexpr double kDisplayCheckPause = 0.2;
/// A dBA check or switch on a silent meter ends after this long, in seconds: MODE round
/// the whole cycle with its reads takes about five.
inline constexpr double kDbaCheckTimeLimit = 10.0;
/// A cell read gives up after its hundred short replies (ten seconds) and a status poll.
inline constexpr double kCellJobTimeLimit = 15.0;

} // namespace nd::panel
