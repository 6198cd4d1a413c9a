#pragma once

#include "ExposurePanel.h"
#include "dialogs/UnsavedWork.h"
#include "stored/LevelListModel.h"
#include "stored/Reading.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QTableView;
class QToolBar;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::stored::ui {

class NoteBox;

/// The live list (" List"): one row per PC sample of the main window while it collects,
/// numbered from 1, with Save, Print and StopStart. A sample whose reading is stale (the
/// meter is not answering) adds no row. At 86,400 rows, or when the meter leaves dBA, it
/// stops collecting as StopStart does and keeps its rows, saying why; an empty list
/// (ReStart while the meter is out of dBA) closes instead. Closing it with unsaved rows
/// asks first.
class List final : public QWidget, public dialogs::UnsavedWork {
    Q_OBJECT

public:
    static constexpr int kMaxRows = 86400;

    /// What one sample did.
    enum class Step { Added, Missed, Full, LeftDba, NotCollecting };

    List(dialogs::Dialogs& dialogs, ExposurePanel::MeterSettings meterSettings = {},
         QWidget* parent = nullptr);

    /// Whether the main window records to file: saving is refused meanwhile.
    void setRecordingCheck(std::function<bool()> recording) { m_recording = std::move(recording); }
    /// One sample of the main window's schedule: its stamps and the reading at that moment,
    /// Missing when the meter gave no fresh one (the main window's one freshness rule).
    Step addSample(const QString& dateStamp, const QString& timeStamp, const Reading& reading);

    /// StopStart: stops, or restarts from an empty list numbered from 1.
    void stopStart();
    void save();
    bool print();

    bool collecting() const { return m_collecting; }
    /// ListCount: rows collected since the list was last started.
    int listCount() const { return m_listCount; }
    int missedCount() const { return m_missed; }
    bool hasUnsavedRows() const { return m_unsaved; }
    QString unsavedWork() const override;
    bool saveUnsavedWork() override;
    /// Why the list stopped by itself, or the missed samples; empty when there is nothing.
    QString statusText() const;
    const LevelListModel& model() const { return m_model; }
    LevelList listWithNotes() const;
    ExposurePanel& exposurePanel() const { return *m_exposure; }

signals:
    void collectingChanged(bool collecting);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setCollecting(bool on);
    void stopWith(const QString& why);
    void showStatus();

    dialogs::Dialogs& m_dialogs;
    std::function<bool()> m_recording;
    LevelListModel m_model;
    bool m_collecting = true;
    bool m_unsaved = false;
    int m_listCount = 0;
    int m_missed = 0;
    QString m_stopReason;
    QTimer m_exposureTimer;
    bool m_exposureStale = false;

    QToolBar* m_toolbar = nullptr;
    QAction* m_StopStart = nullptr;
    QTableView* m_Grid = nullptr;
    NoteBox* m_T1 = nullptr;
    NoteBox* m_T2 = nullptr;
    NoteBox* m_T3 = nullptr;
    QLabel* m_LblStatus = nullptr;
    ExposurePanel* m_exposure = nullptr;
};

} // namespace nd::stored::ui
