#pragma once

#include "archive/Measurement.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link {
struct MeterState;
}

namespace nd::archive::ui {

class ArchiveWindow;

/// The archive as the main window offers it: File → "Archive…", "Import into archive…"
/// and the "Archive automatically" check item, and the automatic archiving of what the
/// windows read and save. Additions run on one thread of their own, one at a time and in
/// order, so the window never waits on the database.
class ArchiveHooks final : public QObject {
    Q_OBJECT

public:
    /// `--archive` and `--no-archive` of the program, which win over the settings.
    static void setCommandLine(const QString& location, bool disabled);

    ArchiveHooks(dialogs::Dialogs& dialogs, QWidget* window);
    ~ArchiveHooks() override;

    /// Adds the three items to the File menu, before `before`.
    void addMenuItems(QMenu* file, QAction* before);
    /// The archive in use: --archive, the setting, or the default file.
    QString location() const;
    bool automatic() const;
    void setAutomatic(bool on);

    ArchiveWindow* showWindow();
    void setBankOpener(std::function<void(const events::BankTable&, const QString&)> opener) {
        m_openBanks = std::move(opener);
    }

    /// How a new Archive window is placed on the screen (the main window's rule).
    void setPlacer(std::function<void(QWidget&)> placer) { m_place = std::move(placer); }

    /// Archives a measurement when automatic archiving is on.
    void keep(Content content);
    void keepLevelList(Kind kind, const stored::LevelList& list, const QString& source);
    void keepRecordingFile(const QString& path, const link::MeterState* state);
    /// Waits for the additions under way (tests, and the end of the program).
    void wait();

signals:
    /// An automatic addition ended: its text ("added as N", "already in the archive as
    /// N", or why not).
    void kept(const QString& source, const QString& text);

private:
    dialogs::Dialogs& m_dialogs;
    QWidget* m_window;
    QAction* m_automatic = nullptr;
    QPointer<ArchiveWindow> m_archiveWindow;
    std::function<void(const events::BankTable&, const QString&)> m_openBanks;
    std::function<void(QWidget&)> m_place;
    QThreadPool m_writer; ///< one thread
};

} // namespace nd::archive::ui
