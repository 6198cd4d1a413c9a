#include "DigitKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace nd::panel {

bool DigitKeyFilter::accepts(int key, const QString& text) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    // Keys that move the cursor or delete type nothing, so a number can be corrected.
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    return text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

void DigitKeyFilter::guard(QLineEdit& box) {
    box.installEventFilter(this);
    // Pasted text never passes through the key filter: the validator refuses it whole.
    static const QRegularExpression kDigitsOnly(QStringLiteral("[0-9]*"));
    box.setValidator(new QRegularExpressionValidator(kDigitsOnly, &box));
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
