#pragma once

#include "stored/LevelListModel.h"

#include <QWidget>

namespace nd::dialogs {
class Dialogs;
}

namespace nd::stored::ui {

/// A read-only view of a .dat file: its rows and its notes, titled with the file's name.
/// It stands in for the main window's "Open" until the Saved File window takes over.
class DataFileView final : public QWidget {
    Q_OBJECT

public:
    DataFileView(const QString& title, LevelList list, QWidget* parent = nullptr);

    const LevelListModel& model() const { return m_model; }

    /// Asks for a .dat file, reads it and shows it; a file that cannot be read is
    /// explained (which line, and why) and nothing is opened. Returns the new view.
    static DataFileView* open(dialogs::Dialogs& dialogs, QWidget* parent);

private:
    LevelListModel m_model;
};

} // namespace nd::stored::ui
