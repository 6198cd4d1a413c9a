#include "ScriptedDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

namespace nd::test {

template <typename T> T ScriptedDialogs::take(std::deque<T>& answers, T fallback) {
    if (answers.empty()) {
        ++m_unscripted;
        return fallback;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& s : m_shown) {
        if (s.kind == Kind::Message)
            texts << s.text;
    }
    return texts;
}

void ScriptedDialogs::clear() {
    m_shown.clear();
    m_openedDocuments.clear();
    m_unscripted = 0;
}

dialogs::Answer ScriptedDialogs::message(QWidget*, const dialogs::Message& message) {
    m_shown.append({Kind::Message, message.text, message.title, message.buttons, message.icon,
                    message.details});
    if (m_whileMessage)
        m_whileMessage();
    return take(m_messageAnswers, dialogs::Answer::Ok);
}

std::optional<QString> ScriptedDialogs::input(QWidget*, const QString& prompt, const QString& title,
                                              const QString& defaultText) {
    m_shown.append({Kind::Input, prompt, title, {}, {}, defaultText});
    return take(m_inputAnswers, std::optional<QString>{});
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString& title,
                                                 const QString& filter) {
    m_shown.append({Kind::OpenFile, title, title, {}, {}, filter});
    return take(m_openAnswers, std::optional<QString>{});
}

std::optional<dialogs::SaveChoice> ScriptedDialogs::chooseSaveFile(QWidget*, const QString& title,
                                                                   const QString& filter) {
    m_shown.append({Kind::SaveFile, title, title, {}, {}, filter});
    const int scriptedType = m_saveTypes.empty() ? -1 : m_saveTypes.front();
    if (!m_saveTypes.empty())
        m_saveTypes.pop_front();
    const auto path = take(m_saveAnswers, std::optional<QString>{});
    if (!path)
        return std::nullopt;
    int type = scriptedType;
    if (type < 0) {
        const auto byName = dialogs::filterSuffixes(filter).indexOf(QFileInfo(*path).suffix());
        type = byName < 0 ? 0 : static_cast<int>(byName);
    }
    return dialogs::SaveChoice{*path, type, {}};
}

std::optional<QString> ScriptedDialogs::folder(QWidget*, const QString& title) {
    m_shown.append({Kind::Folder, title, title, {}, {}, {}});
    return take(m_folderAnswers, std::optional<QString>{});
}

std::unique_ptr<QPrinter> ScriptedDialogs::print(QWidget*) {
    m_shown.append({Kind::Print, {}, {}, {}, {}, {}});
    if (!take(m_printAnswers, false))
        return nullptr;
    auto printer = std::make_unique<QPrinter>();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QDir::temp().filePath(QStringLiteral("noisedesk-test-print.pdf")));
    printer->setCopyCount(m_printCopies);
    printer->setPageOrientation(m_printOrientation);
    return printer;
}

bool ScriptedDialogs::openDocument(const QUrl& url) {
    m_openedDocuments.append(url);
    return m_openDocumentResult;
}

} // namespace nd::test
