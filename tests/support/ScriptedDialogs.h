#pragma once

#include "dialogs/Dialogs.h"

#include <QList>
#include <QPageLayout>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace nd::test {

/// Answers the program's dialogs from queues filled by the test and records everything
/// shown. An unscripted message box is answered OK; any other unscripted dialog is
/// answered as cancelled. Either way it is counted in unscripted(), so a test notices.
class ScriptedDialogs final : public dialogs::Dialogs {
public:
    enum class Kind { Message, Input, OpenFile, SaveFile, Folder, Print };
    struct Shown {
        Kind kind;
        QString text; ///< message text, input prompt, or dialog title
        QString title;
        dialogs::Buttons buttons = dialogs::Buttons::Ok;
        dialogs::Icon icon = dialogs::Icon::None;
        /// the input box's default text, the file dialog's filter, or the message's details
        QString detail;
    };

    void answerMessage(dialogs::Answer answer) { m_messageAnswers.push_back(answer); }
    void answerInput(std::optional<QString> text) { m_inputAnswers.push_back(std::move(text)); }
    void answerOpenFile(std::optional<QString> path) { m_openAnswers.push_back(std::move(path)); }
    /// The path as typed, and the type chosen (its place in the filter); without a type,
    /// the one whose suffix the path has, else the first.
    void answerSaveFile(std::optional<QString> path, int type = -1) {
        m_saveAnswers.push_back(std::move(path));
        m_saveTypes.push_back(type);
    }
    void answerFolder(std::optional<QString> path) { m_folderAnswers.push_back(std::move(path)); }
    /// true: a printer writing to a PDF file in the temporary folder; false: cancelled.
    void answerPrint(bool accept) { m_printAnswers.push_back(accept); }
    /// The copy count and orientation the next accepted print dialogs give.
    void setPrintSetup(int copies, QPageLayout::Orientation orientation) {
        m_printCopies = copies;
        m_printOrientation = orientation;
    }
    void setOpenDocumentResult(bool result) { m_openDocumentResult = result; }
    /// Runs while each message box stands, before it is answered: a user taking time.
    void whileMessageShown(std::function<void()> action) { m_whileMessage = std::move(action); }

    const QList<Shown>& shown() const { return m_shown; }
    /// Texts of the message boxes shown, in order.
    QStringList messages() const;
    const QList<QUrl>& openedDocuments() const { return m_openedDocuments; }
    int unscripted() const { return m_unscripted; }
    void clear();

    dialogs::Answer message(QWidget* parent, const dialogs::Message& message) override;
    std::optional<QString> input(QWidget* parent, const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> openFile(QWidget* parent, const QString& title,
                                    const QString& filter) override;
    std::optional<QString> folder(QWidget* parent, const QString& title) override;
    std::unique_ptr<QPrinter> print(QWidget* parent) override;
    bool openDocument(const QUrl& url) override;

protected:
    std::optional<dialogs::SaveChoice> chooseSaveFile(QWidget* parent, const QString& title,
                                                      const QString& filter) override;

private:
    template <typename T> T take(std::deque<T>& answers, T fallback);

    std::deque<dialogs::Answer> m_messageAnswers;
    std::deque<std::optional<QString>> m_inputAnswers;
    std::deque<std::optional<QString>> m_openAnswers;
    std::deque<std::optional<QString>> m_saveAnswers;
    std::deque<int> m_saveTypes;
    std::deque<std::optional<QString>> m_folderAnswers;
    std::deque<bool> m_printAnswers;
    int m_printCopies = 1;
    QPageLayout::Orientation m_printOrientation = QPageLayout::Portrait;
    bool m_openDocumentResult = true;
    std::function<void()> m_whileMessage;
    QList<Shown> m_shown;
    QList<QUrl> m_openedDocuments;
    int m_unscripted = 0;
};

} // namespace nd::test
