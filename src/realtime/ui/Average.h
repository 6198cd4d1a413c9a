#pragma once

#include "WindowClock.h"
#include "dialogs/UnsavedWork.h"
#include "realtime/AverageFile.h"
#include "realtime/IntervalAverager.h"
#include "realtime/IntervalInput.h"
#include "realtime/LiveFeed.h"
#include "realtime/TickSchedule.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QTableView;
class QToolBar;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::stored {
class LevelListModel;
}

namespace nd::realtime::ui {

class StripGraph;

/// The "Average" window: logs the live level as interval averages, a row and a point per
/// interval, with a small job header; saves and reopens .avg files and prints them. It
/// never talks to the meter: it reads the live feed once a second.
class Average final : public QWidget, public dialogs::UnsavedWork {
    Q_OBJECT

public:
    enum class RunState { Idle, Running, Paused, Stopped };

    Average(LiveSource live, dialogs::Dialogs& dialogs, QWidget* parent = nullptr,
            WindowClock clock = WindowClock::real());

    /// Whether the main window records to file: saving is refused meanwhile.
    void setRecordingCheck(std::function<bool()> recording) { m_recording = std::move(recording); }
    /// One tick of the window's timer (it calls this itself when a tick is due).
    void tick();
    RunState runState() const { return m_state; }
    /// The run as it would be saved: header fields and rows.
    AverageFile snapshot() const;

    // The toolbar's commands.
    void start();
    void pause();
    void stop();
    void askInterval();
    void save();
    void open();
    void print();

    QString unsavedWork() const override;
    bool saveUnsavedWork() override;

signals:
    void closed();
    /// The rows were saved as an .avg file (`name` is the file's name).
    void saved(const nd::realtime::AverageFile& file, const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setRunState(RunState state);
    void armTimer();
    void addRows(const std::vector<IntervalAverage>& closed);
    void showRunEnd();
    bool mayDiscard();
    void setField(AverageField field, const QString& text);
    QString field(AverageField field) const;
    Tenths runTenths(double monotonic) const;
    void tell(const QString& text, int icon);

    LiveSource m_live;
    dialogs::Dialogs& m_dialogs;
    WindowClock m_clock;
    std::function<bool()> m_recording;
    QTimer m_Timer1;
    TickSchedule m_schedule;
    IntervalAverager m_averager;
    AverageInterval m_interval;
    double m_runStart = 0.0;
    Tenths m_segmentStart = 0; ///< run time of the start or the last resume
    RunState m_state = RunState::Idle;
    bool m_unsaved = false;
    std::vector<std::optional<double>> m_laeq;

    QToolBar* m_Toolbar1 = nullptr;
    QAction* m_save = nullptr;
    QAction* m_open = nullptr;
    QAction* m_start = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_stop = nullptr;
    QAction* m_intervalAction = nullptr;
    QAction* m_print = nullptr;
    std::array<QLineEdit*, 3> m_userBoxes{}; ///< TxtJob, TxtName, TxtID
    std::array<QLabel*, kAverageFieldCount> m_values{};
    QLineEdit* m_Text1 = nullptr;
    QLineEdit* m_TxtLaeq = nullptr;
    QLabel* m_LblClamped = nullptr;
    stored::LevelListModel* m_rows = nullptr;
    QTableView* m_Grid = nullptr;
    StripGraph* m_Graph = nullptr;
};

} // namespace nd::realtime::ui
