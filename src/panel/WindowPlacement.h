#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace nd::panel {

/// Where a window of `size` opens: at `preferred` (beside the main window, or where it was
/// last closed) unless that covers another of the program's windows; then below the
/// windows it would cover, and failing that to their right, kept on the screen.
QPoint FreeSpot(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen);

/// Places a new top-level window: where it was last closed (remembered per object name),
/// else beside the main window, never on top of another visible window of the program.
void PlaceWindow(QWidget& window, const QWidget* mainWindow);
/// Remembers where the window is, for the next time it opens.
void RememberPlace(const QWidget& window);

} // namespace nd::panel
