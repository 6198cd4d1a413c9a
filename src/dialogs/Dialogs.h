#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>

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
    // A constructor rather than an aggregate, so the callers' four-part braces stay valid.
    Message(QString text_ = {}, Buttons buttons_ = Buttons::Ok, Icon icon_ = Icon::None,
            QString title_ = {}, QString details_ = {})
        : text(std::move(text_)), buttons(buttons_), icon(icon_), title(std::move(title_)),
          details(std::move(details_)) {}

    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString title;
    /// A long list (one line per item) shown under the text in a scrollable box, so the
    /// box and its buttons stay on the screen; empty for none.
    QString details;
};

/// What a save dialog gave: the file, and the type chosen in it.
struct SaveChoice {
    QString path;
    int type = 0;       ///< the chosen type's place in the filter, from 0
    QString typeSuffix; ///< its suffix without the dot ("dat", "csv"); empty for "All type"

    /// Whether the file is to be written as `suffix`: the chosen type decides; under
    /// "All type" the file name's own suffix does.
    bool writesAs(const QString& suffix) const;
};

/// The suffix of each type of a piped filter: "Data File[*.dat]|*.dat|All type|*.*"
/// gives {"dat", ""}.
QStringList filterSuffixes(const QString& pipedFilter);
/// The path with the suffix added when its file name has none ("guirec" with "csv" gives
/// "guirec.csv"; "a.dat" and an empty suffix leave it as it is).
QString withSuffix(const QString& path, const QString& suffix);

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
    /// The file to write and the type chosen; the chosen type's suffix is added when the
    /// name has none, so the format written and the file's suffix agree.
    std::optional<SaveChoice> saveFile(QWidget* parent, const QString& title,
                                       const QString& filter);
    /// A folder chosen by the user, or nothing when cancelled.
    virtual std::optional<QString> folder(QWidget* parent, const QString& title) = 0;
    /// A printer set up by the user, or nothing when cancelled.
    virtual std::unique_ptr<QPrinter> print(QWidget* parent) = 0;
    /// The desktop's own "open" of a document or folder; false when nothing could open it.
    virtual bool openDocument(const QUrl& url) = 0;

protected:
    /// The save dialog itself: the path as given and the type's place in the filter.
    virtual std::optional<SaveChoice> chooseSaveFile(QWidget* parent, const QString& title,
                                                     const QString& filter) = 0;
};

} // namespace nd::dialogs
