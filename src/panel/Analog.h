#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

namespace nd::panel {

class NeedleMeter;

/// What the main window shows: its value caption and unit, as they stand.
struct ShownReading {
    QString value;
    QString unit;
};

/// The needle's value for the main window's value text: "OL" stands past the top of the
/// scale, "----" and texts that are no number rest below its bottom.
double AnalogNeedleValue(const QString& valueText);

inline constexpr double kOverRangeNeedleValue = 142.0;
/// Rests the needle on its low stop.
inline constexpr double kBlankNeedleValue = 0.0;
inline constexpr int kDisplayRefreshMs = 150;

/// The live reading on a needle meter. It shows what the main window shows, so the
/// displays never contradict each other, and keeps refreshing whether or not the poll runs.
class Analog final : public QWidget {
    Q_OBJECT

public:
    Analog(std::function<ShownReading()> reading, QWidget* mainWindow);

    /// One timer tick.
    void refresh();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<ShownReading()> m_reading;
    NeedleMeter* m_TopMeter = nullptr;
    QTimer* m_Timer1 = nullptr;
};

} // namespace nd::panel
