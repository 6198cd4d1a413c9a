#pragma once

#include "link/MeterState.h"

#include <QTimer>
#include <QWidget>

namespace nd::link {
class MeterLink;
}

namespace nd::panel {

class NeedleMeter;

/// Where the display windows open: right beside the main window, tops level.
QPoint PositionBesideMainWindow(const QWidget& mainWindow);

/// The needle's value for a state: over range stands past the top of the scale, else
/// the display number in dB (the blank marker and dose digits fall where they fall).
double AnalogNeedleValue(const link::MeterState& state);

inline constexpr double kOverRangeNeedleValue = 142.0;
inline constexpr int kDisplayRefreshMs = 150;

/// The live reading on a needle meter. It only reads the state the main poll has
/// decoded and keeps refreshing whether or not the poll runs.
class Analog final : public QWidget {
    Q_OBJECT

public:
    Analog(const link::MeterLink& link, QWidget* mainWindow);

    /// One timer tick.
    void refresh();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const link::MeterLink& m_link;
    NeedleMeter* m_TopMeter = nullptr;
    QTimer* m_Timer1 = nullptr;
};

} // namespace nd::panel
