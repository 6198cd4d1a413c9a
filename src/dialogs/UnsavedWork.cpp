#include "UnsavedWork.h"

#include "Dialogs.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace nd::dialogs {

bool askBeforeEnding(Dialogs& dialogs, QWidget* owner) {
    // Every window that can hold data not in a file says what it holds; one question
    // names it all, before any window goes.
    QList<UnsavedWork*> holders;
    QStringList lines;
    for (QWidget* window : owner->findChildren<QWidget*>()) {
        auto* holder = dynamic_cast<UnsavedWork*>(window);
        if (!holder)
            continue;
        if (const QString what = holder->unsavedWork(); !what.isEmpty()) {
            holders << holder;
            lines << QStringLiteral("    ") + what;
        }
    }
    if (holders.isEmpty())
        return true;
    const QString text = QStringLiteral("These are not saved:\r\n%1\r\n\r\nSave them before the "
                                        "program ends?")
                             .arg(lines.join(QStringLiteral("\r\n")));
    switch (dialogs.message(owner, {text, Buttons::SaveDiscardCancel, Icon::Question, {}})) {
    case Answer::Discard:
        return true;
    case Answer::Save:
        // A save cancelled or failed keeps the program and every window as they are.
        return std::all_of(holders.begin(), holders.end(),
                           [](UnsavedWork* holder) { return holder->saveUnsavedWork(); });
    default:
        return false;
    }
}

} // namespace nd::dialogs
