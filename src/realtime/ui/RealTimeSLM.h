#pragma once

#include "WindowClock.h"
#include "realtime/GraphGeometry.h"
#include "realtime/LiveFeed.h"
#include "realtime/TickSchedule.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <optional>

class QAction;
class QFrame;
class QLineEdit;
class QPushButton;
class QToolBar;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::realtime::ui {

/// The "Real Time Graph" window: a sweeping strip chart of the live level, two readings a
/// second. Each reading is drawn once into an offscreen image (erase ahead, the grid, one
/// segment, the marks), so a tick costs the same however long the run. It never talks to
/// the meter; when the meter leaves dBA it closes.
class RealTimeSLM final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kTickSeconds = 0.5;

    RealTimeSLM(LiveSource live, dialogs::Dialogs& dialogs, QWidget* parent = nullptr,
                WindowClock clock = WindowClock::real());

    /// One tick of the window's timer (it calls this itself when a tick is due).
    void tick();
    /// The "StopStart" button: stops a running sweep, or restarts a stopped one on a fresh
    /// chart with the level limits kept and one pixel per reading again.
    void stopStart();
    /// The "Limit" button: the limits panel, with the sweep held until OK or Cancel.
    void showLimits();
    /// The panel's OK: good levels apply even when the count is refused; the count
    /// applies, and the chart is drawn afresh, only when both are good.
    void applyLimits();
    void cancelLimits();
    void print();

    bool isRunning() const { return m_running; }
    const GraphGeometry& geometry() const { return m_geometry; }
    const ChartLimits& limits() const { return m_limits; }
    const QImage& chart() const { return m_image; }

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void redraw();
    void drawFrame(QPainter& p);
    void drawGrid(QPainter& p);
    void drawTimeMark(QPainter& p, double x);
    void setRunning(bool running);
    void armTimer();

    LiveSource m_live;
    dialogs::Dialogs& m_dialogs;
    WindowClock m_clock;
    QTimer m_Timer1;
    TickSchedule m_schedule;
    GraphGeometry m_geometry;
    ChartLimits m_limits;
    Sweep m_sweep;
    std::optional<QPointF> m_prev; ///< the last point drawn; none after a redraw or a gap
    QImage m_image;
    bool m_running = true;
    bool m_levelsChanged = false; ///< levels kept by a refused OK, not drawn yet

    QToolBar* m_Toolbar1 = nullptr;
    QAction* m_limit = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_stopStart = nullptr;
    QFrame* m_PMessage = nullptr;
    QLineEdit* m_TxtCounts = nullptr;
    QLineEdit* m_TxtMin = nullptr;
    QLineEdit* m_TxtMax = nullptr;
    QPushButton* m_CmdOK = nullptr;
    QPushButton* m_CmdCancel = nullptr;
};

} // namespace nd::realtime::ui
