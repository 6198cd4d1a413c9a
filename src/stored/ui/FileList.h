#pragma once

#include "ExposurePanel.h"
#include "stored/HistogramCounts.h"
#include "stored/LevelListModel.h"

#include <QWidget>

class QAction;
class QPushButton;
class QTableView;
class QToolBar;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::stored::ui {

class Histogram;
class NoteBox;

/// The "Saved File" window: a .dat file's rows and notes, its exposure figures, and the
/// commands Plot, "Ln" (the 1 dB or 0.1 dB histogram, chosen in `PicResolution`) and
/// Print. Opened by the main window's "Open"; titled with the file's name.
class FileList final : public QWidget {
    Q_OBJECT

public:
    FileList(const QString& title, LevelList list, dialogs::Dialogs& dialogs,
             ExposurePanel::MeterSettings meterSettings = {}, QWidget* parent = nullptr);

    /// Asks for a .dat file and reads it; a file that cannot be read is explained (which
    /// line, and why) and nothing is opened. Returns the new window, not yet shown.
    static FileList* open(dialogs::Dialogs& dialogs, QWidget* parent,
                          ExposurePanel::MeterSettings meterSettings = {});

    /// The rows with the notes as they stand in the note boxes.
    LevelList listWithNotes() const;
    const LevelListModel& model() const { return m_model; }
    ExposurePanel& exposurePanel() const { return *m_exposure; }

    /// The file the levels were read from; empty when they were not read from one.
    const QString& sourcePath() const { return m_sourcePath; }

    void plot();
    /// "Ln": shows the resolution panel.
    void showResolutions();
    /// Counts the levels and shows them in the histogram window of that resolution.
    Histogram* showHistogram(Resolution resolution);
    bool print();
    /// What Print prints: the notes, the exposure figures as shown, then the rows.
    QStringList printLines() const;
    /// Writes the rows as CSV for a spreadsheet to a chosen file; false when nothing was
    /// written (cancelled, or the disk refused, which is said).
    bool exportCsv();

signals:
    /// Plot was asked for; when nothing listens, the window says plotting is not there.
    void plotRequested(const nd::stored::LevelList& list);
    /// "Report…" was asked for: the levels with their notes.
    void reportRequested(const nd::stored::LevelList& list);

private:
    dialogs::Dialogs& m_dialogs;
    LevelListModel m_model;
    QToolBar* m_toolbar = nullptr;
    QTableView* m_Grid = nullptr;
    NoteBox* m_T1 = nullptr;
    NoteBox* m_T2 = nullptr;
    NoteBox* m_T3 = nullptr;
    QWidget* m_PicResolution = nullptr;
    QPushButton* m_Cmd1dB = nullptr;
    QPushButton* m_Cmd01dB = nullptr;
    ExposurePanel* m_exposure = nullptr;
    QString m_sourcePath;
};

} // namespace nd::stored::ui
