#include "NoteBox.h"

#include <QRegularExpressionValidator>

namespace nd::stored::ui {

NoteBox::NoteBox(QWidget* parent) : QLineEdit(parent) {
    // A validator checks pasted text as well as typing: a paste holding any of these is
    // refused whole rather than changed behind the user's back.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^\"\\t,\\r\\n]*")), this));
}

} // namespace nd::stored::ui
