#include "WindowPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace nd::panel {

namespace {

QString settingsKey(const QWidget& window) {
    return QStringLiteral("windows/%1/position").arg(window.objectName());
}

QList<QRect> otherWindows(const QWidget& window) {
    QList<QRect> taken;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->isWindow())
            taken.append(other->frameGeometry());
    }
    return taken;
}

bool fits(const QRect& box, const QList<QRect>& taken, const QRect& screen) {
    if (!screen.isEmpty() && !screen.contains(box))
        return false;
    return std::none_of(taken.begin(), taken.end(),
                        [&box](const QRect& other) { return other.intersects(box); });
}

} // namespace

QPoint FreeSpot(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen) {
    QList<QPoint> candidates{preferred};
    // Below each window it could cover, then to the right of it.
    for (const QRect& other : taken)
        candidates.append({preferred.x(), other.bottom() + 1});
    for (const QRect& other : taken)
        candidates.append({other.right() + 1, preferred.y()});
    std::stable_sort(candidates.begin() + 1, candidates.end(), [&](QPoint a, QPoint b) {
        return (a - preferred).manhattanLength() < (b - preferred).manhattanLength();
    });
    // On the screen if possible; a small screen may leave no free place on it, and then a
    // window partly off the screen is still better than one hiding another.
    for (const QRect& area : {screen, QRect()}) {
        for (const QPoint candidate : candidates) {
            if (fits(QRect(candidate, size), taken, area))
                return candidate;
        }
    }
    return preferred;
}

void PlaceWindow(QWidget& window, const QWidget* mainWindow) {
    QPoint preferred = window.pos();
    if (mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        preferred = {frame.x() + frame.width(), frame.y()};
    }
    const QVariant remembered = QSettings().value(settingsKey(window));
    if (remembered.canConvert<QPoint>() && remembered.isValid())
        preferred = remembered.toPoint();
    const QScreen* screen = mainWindow ? mainWindow->screen() : QApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QSize size = window.frameGeometry().size().expandedTo(window.size());
    window.move(FreeSpot(preferred, size, otherWindows(window), area));
}

void RememberPlace(const QWidget& window) {
    QSettings().setValue(settingsKey(window), window.pos());
}

} // namespace nd::panel
