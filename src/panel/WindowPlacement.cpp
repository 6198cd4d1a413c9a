#include "WindowPlacement.h"

#include <QApplication>
#include <QMargins>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace nd::panel {

namespace {

/// How far each cascaded window sits from the one under it: about a title bar.
constexpr int kCascadeStep = 32;

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

bool isFree(const QRect& box, const QList<QRect>& taken) {
    return std::none_of(taken.begin(), taken.end(),
                        [&box](const QRect& other) { return other.intersects(box); });
}

/// The nearest place to `spot` where a window of `size` lies wholly on the screen.
QPoint onScreen(QPoint spot, QSize size, const QRect& screen) {
    if (screen.isEmpty())
        return spot;
    return {std::clamp(spot.x(), screen.left(), screen.right() + 1 - size.width()),
            std::clamp(spot.y(), screen.top(), screen.bottom() + 1 - size.height())};
}

/// A window that has not been shown yet has no frame: the main window's tells how much the
/// desktop adds round a window.
QMargins frameMargins(const QWidget* mainWindow) {
    if (!mainWindow)
        return {};
    const QRect frame = mainWindow->frameGeometry();
    const QRect inner = mainWindow->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

/// The size the window will have on the screen, frame included.
QSize outerSize(const QWidget& window, const QMargins& frame) {
    if (window.isVisible())
        return window.frameGeometry().size();
    const QSize inner = window.testAttribute(Qt::WA_Resized)
                            ? window.size()
                            : window.sizeHint().expandedTo(window.minimumSize());
    return inner.grownBy(frame);
}

QRect availableArea(const QWidget* mainWindow) {
    const QScreen* screen = mainWindow ? mainWindow->screen() : QApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

/// Moves the window's frame to `box` and shrinks it to the box where it is larger.
void putAt(QWidget& window, const QRect& box, QSize outer, const QMargins& frame) {
    if (box.size() != outer) {
        const QSize inner = box.size().shrunkBy(frame);
        window.setMinimumSize(window.minimumSize().boundedTo(inner));
        window.resize(inner);
    }
    window.move(box.topLeft());
}

} // namespace

QRect PlaceOnScreen(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen) {
    if (!screen.isEmpty())
        size = size.boundedTo(screen.size());
    QList<QPoint> candidates{preferred};
    // Below each window it could cover, or right of it, the nearest first; then left of it.
    for (const QRect& other : taken) {
        candidates.append({preferred.x(), other.bottom() + 1});
        candidates.append({other.right() + 1, preferred.y()});
    }
    std::stable_sort(candidates.begin() + 1, candidates.end(), [&](QPoint a, QPoint b) {
        return (a - preferred).manhattanLength() < (b - preferred).manhattanLength();
    });
    for (const QRect& other : taken)
        candidates.append({other.left() - size.width(), preferred.y()});
    for (const QPoint candidate : candidates) {
        const QRect box(onScreen(candidate, size, screen), size);
        if (isFree(box, taken))
            return box;
    }
    // No free place: beside the main window as far as the screen allows, cascaded a title
    // bar down and right while it would cover another window's title bar.
    QPoint spot = onScreen(preferred, size, screen);
    for (int step = 0; step < 64; ++step) {
        const QRect box(spot, size);
        const bool coversTitle = std::any_of(taken.begin(), taken.end(), [&](const QRect& other) {
            return QRect(other.topLeft(), QSize(other.width(), kCascadeStep)).intersects(box);
        });
        const QPoint next = onScreen(spot + QPoint(kCascadeStep, kCascadeStep), size, screen);
        if (!coversTitle || next == spot)
            break;
        spot = next;
    }
    return {spot, size};
}

QPoint FreeSpot(QPoint preferred, QSize size, const QList<QRect>& taken, const QRect& screen) {
    return PlaceOnScreen(preferred, size, taken, screen).topLeft();
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
    const QMargins frame = window.isVisible() ? QMargins() : frameMargins(mainWindow);
    const QSize outer = outerSize(window, frame);
    putAt(window, PlaceOnScreen(preferred, outer, otherWindows(window), availableArea(mainWindow)),
          outer, frame);
}

void PlaceBeside(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    const QMargins frame = window.isVisible() ? QMargins() : frameMargins(mainWindow);
    const QSize outer = outerSize(window, frame);
    const QRect area = availableArea(mainWindow);
    const QSize size = area.isEmpty() ? outer : outer.boundedTo(area.size());
    putAt(window, QRect(onScreen({main.x() + main.width(), main.y()}, size, area), size), outer,
          frame);
}

void RememberPlace(const QWidget& window) {
    QSettings().setValue(settingsKey(window), window.pos());
}

} // namespace nd::panel
