#include "NoteBox.h"

#include "stored/DataFile.h"

namespace nd::stored::ui {

NoteBox::NoteBox(QWidget* parent) : QLineEdit(parent) {
    // Typed or pasted, the characters the .dat file cannot carry are left out at once,
    // so what the box shows is what will be saved.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString clean = cleanNote(text);
        if (clean == text)
            return;
        const int removedBeforeCursor = static_cast<int>(
            text.left(cursorPosition()).size() - cleanNote(text.left(cursorPosition())).size());
        const int cursor = cursorPosition() - removedBeforeCursor;
        setText(clean);
        setCursorPosition(cursor);
    });
}

} // namespace nd::stored::ui
