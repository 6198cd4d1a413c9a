#pragma once

#include <QObject>

class QLineEdit;

namespace nd::panel {

/// Lets only the digits 0 to 9, Backspace, Enter and the keys that move the cursor or
/// delete reach a text box; every other key is dropped. Tab still moves the focus.
class DigitKeyFilter final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    static bool accepts(int key, const QString& text);
    /// Filters the box's keys and refuses pasted text that is not all digits.
    void guard(QLineEdit& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace nd::panel
