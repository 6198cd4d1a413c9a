#pragma once

#include <QLineEdit>

namespace nd::stored::ui {

/// A one-line note box for files and printouts. The characters the .dat file cannot
/// carry (double quote, TAB, comma) are left out, typed or pasted.
class NoteBox final : public QLineEdit {
    Q_OBJECT

public:
    explicit NoteBox(QWidget* parent = nullptr);
};

} // namespace nd::stored::ui
