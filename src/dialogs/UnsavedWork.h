#pragma once

#include <QString>

class QWidget;

namespace nd::dialogs {

/// A window that can hold data not yet in a file (rows collected, sets downloaded, banks
/// read). The main window asks each one before the program ends, in one question.
class UnsavedWork {
public:
    virtual ~UnsavedWork() = default;
    /// One line naming what is not saved ("List: 120 rows"); empty when nothing is.
    virtual QString unsavedWork() const = 0;
    /// Saves it as the window's own Save does, asking where; false when it was not saved
    /// (the dialog was cancelled or the write failed, which the window has said).
    virtual bool saveUnsavedWork() = 0;
};

class Dialogs;

/// Asks once, naming what every window under `owner` holds unsaved: Save… / Discard /
/// Cancel. True when the program may end (nothing unsaved, discarded, or all saved).
bool askBeforeEnding(Dialogs& dialogs, QWidget* owner);

} // namespace nd::dialogs
