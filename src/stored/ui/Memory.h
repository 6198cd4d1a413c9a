#pragma once

#include "dialogs/UnsavedWork.h"
#include "stored/LevelListModel.h"
#include "stored/LoggedMemory.h"
#include "stored/MemoryTransfer.h"

#include <QWidget>

#include <functional>
#include <set>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link {
class Meter;
class MeterLink;
enum class JobOutcome;
} // namespace nd::link

namespace nd::stored::ui {

class ExposurePanel;
class NoteBox;

/// The Memory window: downloads the meter's logged memory in one link job, lists its
/// data sets (Grid1) and a set's records (Grid2), shows and writes the ID code and the
/// logging interval with read-back, erases the memory, and saves and prints a set's
/// records with three notes. Every exchange is a link job; the window never waits.
class Memory final : public QWidget, public dialogs::UnsavedWork {
    Q_OBJECT

public:
    Memory(link::MeterLink& link, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// The file a recording is writing, so a save never overwrites it (empty: none).
    void setRecordingFile(std::function<QString()> recordingFile) {
        m_recordingFile = std::move(recordingFile);
    }

    /// The "Memory" command: does nothing while a transfer runs.
    void download();
    /// Lists the records of set `row` of Grid1 (from 0) in Grid2.
    void listSet(int row);
    void changeIdCode();
    void changeInterval();
    void eraseMemory();
    void save();
    /// "Save all": every set that can be read, one file each in a chosen folder, named as
    /// the command line's download names them. The files written, in order.
    QStringList saveAll();
    void print();

    bool transferBusy() const { return m_transferBusy; }
    const LoggedMemory& memory() const { return m_memory; }
    const LevelListModel& records() const { return m_records; }
    ExposurePanel& exposurePanel() const { return *m_exposure; }
    /// The records with the notes as they stand, as they are saved and printed.
    LevelList recordsWithNotes() const;
    /// The downloaded sets not saved since the download; saving lists each in turn.
    QString unsavedWork() const override;
    bool saveUnsavedWork() override;

signals:
    void transferBusyChanged(bool busy);
    /// A download ended (well or not); for tests and the main window.
    void downloadEnded(bool ok);

private:
    void buildControls();
    void setTransferBusy(bool busy);
    void showProgress(QProgressBar* bar, bool on);
    void downloadDone(link::JobOutcome outcome, const Download& result);
    void fillSets();
    void writeWord(bool idCode, int value);
    void tell(const QString& text, int icon);
    bool refuseLinkFailure(link::JobOutcome outcome);
    bool keyLocked();
    /// Submits a link job whose `done` runs only while this window still exists.
    void submit(const QString& name, std::function<void(link::Meter&)> work,
                std::function<void(link::JobOutcome)> done);

    link::MeterLink& m_link;
    dialogs::Dialogs& m_dialogs;
    std::function<QString()> m_recordingFile;
    bool m_transferBusy = false;
    LoggedMemory m_memory;
    LevelListModel m_records;
    int m_listedSet = -1;
    std::set<int> m_savedSets;
    QStandardItemModel* m_sets = nullptr;

    QProgressBar* m_G1 = nullptr;
    QProgressBar* m_G2 = nullptr;
    QTableView* m_Grid1 = nullptr;
    QTableView* m_Grid2 = nullptr;
    QLabel* m_LblMemory = nullptr;
    QLabel* m_LblRemaining = nullptr;
    QLineEdit* m_TxtIDCode = nullptr;
    QLineEdit* m_TxtInterval = nullptr;
    NoteBox* m_T1 = nullptr;
    NoteBox* m_T2 = nullptr;
    NoteBox* m_T3 = nullptr;
    QPushButton* m_CmdSave = nullptr;
    QPushButton* m_CmdSaveAll = nullptr;
    ExposurePanel* m_exposure = nullptr;
    int m_listedRow = -1;
    QPushButton* m_CmdPrint = nullptr;
};

/// The save dialog's filter: the .dat file, or CSV for spreadsheets.
inline const QString kSaveFilter =
    QStringLiteral("Data File[*.dat]|*.dat|CSV file[*.csv]|*.csv|All type[*.*]|*.*");

} // namespace nd::stored::ui
