#include "DigitKeyFilter.h"

#include <QKeyEvent>

namespace nd::panel {

bool DigitKeyFilter::accepts(int key, const QString& text) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        break;
    }
    return text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!accepts(key->key(), key->text()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace nd::panel
