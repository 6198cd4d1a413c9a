#pragma once

#include <QObject>

namespace nd::panel {

/// Lets only the digits 0 to 9, Backspace and Enter reach a text box; every other key is
/// dropped. Tab still moves the focus, since that is not typing.
class DigitKeyFilter final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    static bool accepts(int key, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace nd::panel
