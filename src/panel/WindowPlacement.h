#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace nd::panel {

/// Where a window of `size` opens, always inside `screen` (its available area; no bound
/// when empty): at `preferred` (beside the main window, or where it was last closed) unless
/// that covers another of the program's windows; then below or beside the windows it would
/// cover. When no free place is left it stays as near `preferred` as the screen allows,
/// cascaded a title bar down and right while it would cover another window's title bar; a
/// window larger than the screen is shrunk to it.
QRect PlaceOnScreen(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen);
/// The top left corner PlaceOnScreen gives.
QPoint FreeSpot(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen);

/// Places a new top-level window: where it was last closed (remembered per object name),
/// else beside the main window, never on top of another visible window of the program when
/// there is room, always on the screen.
void PlaceWindow(QWidget& window, const QWidget* mainWindow);
/// Places a window right of the main window, level with its top, moved and shrunk only as
/// far as the screen needs (the Plot window's place).
void PlaceBeside(QWidget& window, const QWidget* mainWindow);
/// Remembers where the window is, for the next time it opens.
void RememberPlace(const QWidget& window);

} // namespace nd::panel
