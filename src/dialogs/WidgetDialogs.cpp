#include "WidgetDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace nd::dialogs {

namespace {

QMessageBox::Icon boxIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString titleOrProgramName(const QString& title) {
    return title.isEmpty() ? QStringLiteral("NoiseDesk") : title;
}

} // namespace

QString displayLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Answer WidgetDialogs::message(QWidget* parent, const Message& message) {
    QMessageBox box(boxIcon(message.icon), titleOrProgramName(message.title),
                    displayLineBreaks(message.text), QMessageBox::Ok, parent);
    if (message.buttons == Buttons::SaveDiscardCancel) {
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.button(QMessageBox::Save)->setText(QStringLiteral("Save…"));
        box.setDefaultButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Save:
            return Answer::Save;
        case QMessageBox::Discard:
            return Answer::Discard;
        default:
            return Answer::Cancel;
        }
    }
    if (message.buttons == Buttons::OkCancel)
        box.addButton(QMessageBox::Cancel);
    if (!message.details.isEmpty())
        box.setDetailedText(displayLineBreaks(message.details));
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> WidgetDialogs::input(QWidget* parent, const QString& prompt,
                                            const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, titleOrProgramName(title),
                                               displayLineBreaks(prompt).trimmed(),
                                               QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> WidgetDialogs::openFile(QWidget* parent, const QString& title,
                                               const QString& filter) {
    const QString path =
        QFileDialog::getOpenFileName(parent, titleOrProgramName(title), {}, qtFileFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<SaveChoice> WidgetDialogs::chooseSaveFile(QWidget* parent, const QString& title,
                                                        const QString& filter) {
    QFileDialog dialog(parent, titleOrProgramName(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList types = qtFileFilter(filter).split(QStringLiteral(";;"));
    const QStringList suffixes = filterSuffixes(filter);
    dialog.setNameFilters(types);
    // The dialog adds the chosen type's suffix itself, before it asks about replacing a
    // file, so the question is about the file that will be written.
    auto follow = [&dialog, &types, &suffixes](const QString& type) {
        dialog.setDefaultSuffix(suffixes.value(types.indexOf(type)));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    follow(types.value(0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const auto type = static_cast<int>(types.indexOf(dialog.selectedNameFilter()));
    return SaveChoice{dialog.selectedFiles().front(), std::max(0, type), {}};
}

std::optional<QString> WidgetDialogs::folder(QWidget* parent, const QString& title) {
    const QString path = QFileDialog::getExistingDirectory(parent, titleOrProgramName(title));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::unique_ptr<QPrinter> WidgetDialogs::print(QWidget* parent) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}

bool WidgetDialogs::openDocument(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace nd::dialogs
