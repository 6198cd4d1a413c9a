#pragma once

#include "Dialogs.h"

namespace nd::dialogs {

/// The real dialogs: Qt's message boxes, input dialog, file and print dialogs.
class WidgetDialogs final : public Dialogs {
public:
    Answer message(QWidget* parent, const Message& message) override;
    std::optional<QString> input(QWidget* parent, const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> openFile(QWidget* parent, const QString& title,
                                    const QString& filter) override;
    std::optional<QString> folder(QWidget* parent, const QString& title) override;
    std::unique_ptr<QPrinter> print(QWidget* parent) override;
    bool openDocument(const QUrl& url) override;

protected:
    std::optional<SaveChoice> chooseSaveFile(QWidget* parent, const QString& title,
                                             const QString& filter) override;
};

/// The program's texts end lines with CR, CR LF or LF; a message box wants LF only.
QString displayLineBreaks(QString text);

} // namespace nd::dialogs
