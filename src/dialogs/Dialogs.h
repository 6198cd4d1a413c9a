#pragma once

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace nd::dialogs {

/// SaveDiscardCancel asks "Save…", "Discard" or "Cancel"; its answers are Save, Discard
/// and Cancel.
enum class Buttons { Ok, OkCancel, SaveDiscardCancel };
enum class Icon { None, Critical, Exclamation, Question };
enum class Answer { Ok, Cancel, Save, Discard };

/// A message box as the program asks for it; the title is the program's name when empty.
struct Message {
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString title;
};

/// Turns a filter written as "Desc|*.ext|Desc|*.ext" into Qt's "Desc (*.ext);;Desc (*.ext)".
/// "*.*" becomes "*", so files without an extension are listed too.
QString qtFileFilter(const QString& pipedFilter);

/// Every message box, input box, file dialog, print dialog and document launch of the
/// program goes through here, so tests can answer them from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual Answer message(QWidget* parent, const Message& message) = 0;
    /// The typed text, or nothing when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& prompt,
                                         const QString& title, const QString& defaultText) = 0;
    /// `filter` uses the piped form (see qtFileFilter); the path, or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title,
                                            const QString& filter) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& title,
                                            const QString& filter) = 0;
    /// A printer set up by the user, or nothing when cancelled.
    virtual std::unique_ptr<QPrinter> print(QWidget* parent) = 0;
    /// The desktop's own "open" of a document or folder; false when nothing could open it.
    virtual bool openDocument(const QUrl& url) = 0;
};

} // namespace nd::dialogs
