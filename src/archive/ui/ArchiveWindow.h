#pragma once

#include "archive/Archive.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::archive::ui {

/// The measurements of an archive as a table; the tag columns are edited in place.
class ArchiveModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        kNumber,
        kKind,
        kStart,
        kEnd,
        kSamples,
        kMeter,
        kWorker,
        kTask,
        kLocation,
        kNotes,
        kSource,
        kColumnCount
    };

    explicit ArchiveModel(Archive& archive, QObject* parent = nullptr);
    void reset(std::vector<Measurement> rows);
    const Measurement& at(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void failed(const QString& why);

private:
    Archive& m_archive;
    std::vector<Measurement> m_rows;
};

/// The "Archive" window: the archive's measurements newest first, a search box over the
/// worker, task, location and notes, a date range, kind and meter filters; from a
/// selection Open (Saved File, or the Event window for banks), Plot, Histogram, Export
/// and Delete, "Report…", "Summary report…" and "Assessment…"; imports of .dat, .bnk and .avg files
/// (button or drag and drop) run on a thread of their own with a progress bar and Cancel.
class ArchiveWindow final : public QWidget {
    Q_OBJECT

public:
    ArchiveWindow(const QString& location, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    /// False when the archive could not be opened; error() says why.
    bool isReady() const { return m_archive.isOpen(); }
    QString error() const { return m_archive.error(); }
    Archive& archive() { return m_archive; }

    /// Shows a bank measurement; the main window gives the Event window.
    void setBankOpener(std::function<void(const events::BankTable&, const QString&)> opener) {
        m_openBanks = std::move(opener);
    }

    /// Reads the archive again with the filters as they stand.
    void refresh();
    void importFiles(const QStringList& files);
    void cancelImport();
    bool importRunning() const { return m_worker.joinable(); }

    /// The measurement of the selected row (of the sorted view), if any.
    std::optional<Measurement> selected() const;
    /// Every selected measurement, in the view's order.
    std::vector<Measurement> selectedAll() const;
    void openSelected();
    void plotSelected();
    void histogramSelected();
    void exportSelected();
    void deleteSelected();
    void chooseImport();
    /// "Report…": the Report window for the selected measurement, its tags filled in.
    QWidget* reportSelected();
    /// "Summary report…": one table of the selected measurements, saved as PDF.
    bool summaryOfSelection();
    /// "Assessment…": the Assessment window reading this archive, the selected
    /// measurements (if any) as its tasks, one per task tag.
    QWidget* assessSelection();

    QTableView* table() const { return m_table; }
    QLineEdit* searchBox() const { return m_search; }
    QComboBox* kindFilter() const { return m_kind; }

signals:
    /// An import ended: how many were added, already there, and refused.
    void importFinished(int added, int already, int refused);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    std::optional<Content> loadSelected();
    void importProgress(int done, int total, const QString& line);
    void importDone(int added, int already, int refused, const QStringList& problems);

    dialogs::Dialogs& m_dialogs;
    QString m_location;
    Archive m_archive;
    ArchiveModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_search = nullptr;
    QCheckBox* m_useSince = nullptr;
    QCheckBox* m_useUntil = nullptr;
    QDateEdit* m_since = nullptr;
    QDateEdit* m_until = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_meter = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status = nullptr;
    std::function<void(const events::BankTable&, const QString&)> m_openBanks;
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
};

} // namespace nd::archive::ui
