#include "ArchiveWindow.h"

#include "dialogs/Dialogs.h"
#include "events/BankFile.h"
#include "realtime/ui/Plot.h"
#include "stored/DataFile.h"
#include "stored/HistogramCounts.h"
#include "stored/SaveFile.h"
#include "stored/ui/FileList.h"
#include "stored/ui/Histogram.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace nd::archive::ui {

namespace {

const QStringList kHeaders = {"No.",    "Kind", "Start",    "End",   "Samples", "Meter",
                              "Worker", "Task", "Location", "Notes", "Source"};

/// The tag columns' editor: a line edit completing from the values used before.
class TagDelegate final : public QStyledItemDelegate {
public:
    TagDelegate(Archive& archive, QObject* parent)
        : QStyledItemDelegate(parent), m_archive(archive) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* edit =
            qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        static const char* const columns[] = {"worker", "task", "location"};
        const int column = index.column() - ArchiveModel::kWorker;
        if (edit && column >= 0 && column < 3) {
            auto* completer = new QCompleter(m_archive.values(columns[column]), edit);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            edit->setCompleter(completer);
        }
        return edit;
    }

private:
    Archive& m_archive;
};

} // namespace

ArchiveModel::ArchiveModel(Archive& archive, QObject* parent)
    : QAbstractTableModel(parent), m_archive(archive) {}

void ArchiveModel::reset(std::vector<Measurement> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ArchiveModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ArchiveModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ArchiveModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::UserRole))
        return {};
    const Measurement& m = at(index.row());
    const bool sortKey = role == Qt::UserRole;
    switch (index.column()) {
    case kNumber:
        return m.id;
    case kKind:
        return kindKey(m.kind);
    case kStart:
        return sortKey ? QVariant(qlonglong(m.start.value_or(0))) : QVariant(stampText(m.start));
    case kEnd:
        return sortKey ? QVariant(qlonglong(m.end.value_or(0))) : QVariant(stampText(m.end));
    case kSamples:
        return m.samples;
    case kMeter:
        return m.meterId;
    case kWorker:
        return m.tags.worker;
    case kTask:
        return m.tags.task;
    case kLocation:
        return m.tags.location;
    case kNotes:
        return m.tags.notes;
    case kSource:
        return m.source;
    default:
        return {};
    }
}

QVariant ArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return kHeaders.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ArchiveModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() >= kWorker && index.column() <= kNotes && !m_archive.isReadOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

bool ArchiveModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() < kWorker || index.column() > kNotes)
        return false;
    Measurement& m = m_rows.at(static_cast<std::size_t>(index.row()));
    Tags t = m.tags;
    QString* field[] = {&t.worker, &t.task, &t.location, &t.notes};
    *field[index.column() - kWorker] = value.toString().trimmed();
    if (t == m.tags)
        return true;
    if (!m_archive.setTags(m.id, t)) {
        emit failed(m_archive.error());
        return false;
    }
    m.tags = t;
    emit dataChanged(index, index);
    return true;
}

ArchiveWindow::ArchiveWindow(const QString& location, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_location(location) {
    setObjectName(QStringLiteral("Archive"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    m_archive.open(location);
    setWindowTitle(QStringLiteral("Archive - %1%2")
                       .arg(m_archive.location().display(),
                            m_archive.isReadOnly() ? QStringLiteral(" (read-only)") : QString()));
    buildControls();
    refresh();
}

ArchiveWindow::~ArchiveWindow() {
    cancelImport();
}

void ArchiveWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("TxtSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search worker, task, location, notes"));
    m_search->setClearButtonEnabled(true);
    filters->addWidget(m_search, 1);
    m_useSince = new QCheckBox(QStringLiteral("From"), this);
    m_since = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    m_useUntil = new QCheckBox(QStringLiteral("To"), this);
    m_until = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit* d : {m_since, m_until}) {
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
    }
    filters->addWidget(m_useSince);
    filters->addWidget(m_since);
    filters->addWidget(m_useUntil);
    filters->addWidget(m_until);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("CboKind"));
    m_kind->addItem(QStringLiteral("All kinds"));
    for (Kind k : {Kind::Logged, Kind::Recording, Kind::Bank, Kind::Average})
        m_kind->addItem(kindKey(k));
    filters->addWidget(m_kind);
    m_meter = new QComboBox(this);
    m_meter->setObjectName(QStringLiteral("CboMeter"));
    filters->addWidget(m_meter);
    layout->addLayout(filters);

    m_model = new ArchiveModel(m_archive, this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(Qt::UserRole);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("GridArchive"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->setColumnWidth(ArchiveModel::kNumber, 50);
    m_table->setColumnWidth(ArchiveModel::kStart, 160);
    m_table->setColumnWidth(ArchiveModel::kEnd, 160);
    m_table->setItemDelegate(new TagDelegate(m_archive, m_table));
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    layout->addWidget(m_table, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const QString& name, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("Open"), QStringLiteral("CmdOpen"), &ArchiveWindow::openSelected);
    button(QStringLiteral("Plot"), QStringLiteral("CmdPlot"), &ArchiveWindow::plotSelected);
    button(QStringLiteral("Histogram"), QStringLiteral("CmdHistogram"),
           &ArchiveWindow::histogramSelected);
    button(QStringLiteral("Export…"), QStringLiteral("CmdExport"), &ArchiveWindow::exportSelected);
    button(QStringLiteral("Delete"), QStringLiteral("CmdDelete"), &ArchiveWindow::deleteSelected)
        ->setEnabled(!m_archive.isReadOnly());
    // The reports' openers are in ArchiveReports.cpp.
    button(QStringLiteral("Report…"), QStringLiteral("CmdReport"), [this] { reportSelected(); });
    button(QStringLiteral("Summary report…"), QStringLiteral("CmdSummary"),
           [this] { summaryOfSelection(); });
    button(QStringLiteral("Assessment…"), QStringLiteral("CmdAssessment"),
           [this] { assessSelection(); });
    button(QStringLiteral("Import…"), QStringLiteral("CmdImport"), &ArchiveWindow::chooseImport)
        ->setEnabled(!m_archive.isReadOnly());
    buttons->addStretch(1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblStatus"));
    buttons->addWidget(m_status);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressImport"));
    m_progress->hide();
    buttons->addWidget(m_progress);
    m_cancel =
        button(QStringLiteral("Cancel"), QStringLiteral("CmdCancel"), &ArchiveWindow::cancelImport);
    m_cancel->hide();
    layout->addLayout(buttons);
    resize(1180, 560);

    auto* later = new QTimer(this);
    later->setSingleShot(true);
    later->setInterval(250);
    connect(later, &QTimer::timeout, this, &ArchiveWindow::refresh);
    connect(m_search, &QLineEdit::textChanged, later, qOverload<>(&QTimer::start));
    for (QCheckBox* c : {m_useSince, m_useUntil})
        connect(c, &QCheckBox::toggled, this, &ArchiveWindow::refresh);
    for (QDateEdit* d : {m_since, m_until})
        connect(d, &QDateEdit::dateChanged, this, &ArchiveWindow::refresh);
    for (QComboBox* c : {m_kind, m_meter})
        connect(c, &QComboBox::activated, this, &ArchiveWindow::refresh);
    connect(m_model, &ArchiveModel::failed, this, [this](const QString& why) {
        m_dialogs.message(this, {why, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
    });
    connect(m_table, &QTableView::activated, this, &ArchiveWindow::openSelected);
}

void ArchiveWindow::refresh() {
    if (!m_archive.isOpen()) {
        m_status->setText(m_archive.error());
        return;
    }
    Filter f;
    f.search = m_search->text().trimmed();
    if (m_useSince->isChecked())
        f.since = m_since->date();
    if (m_useUntil->isChecked())
        f.until = m_until->date();
    if (m_kind->currentIndex() > 0)
        f.kind = kindFromKey(m_kind->currentText());
    if (m_meter->currentIndex() > 0)
        f.meterId = m_meter->currentText();
    m_model->reset(m_archive.list(f));
    const QString meter = m_meter->currentText();
    m_meter->clear();
    m_meter->addItem(QStringLiteral("All meters"));
    m_meter->addItems(m_archive.values(QStringLiteral("meter_id")));
    m_meter->setCurrentIndex(std::max(0, m_meter->findText(meter)));
    if (!importRunning())
        m_status->setText(QStringLiteral("%1 measurements").arg(m_model->rowCount()));
}

std::optional<Measurement> ArchiveWindow::selected() const {
    const std::vector<Measurement> all = selectedAll();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::vector<Measurement> ArchiveWindow::selectedAll() const {
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<Measurement> all;
    for (const QModelIndex& row : rows)
        all.push_back(m_model->at(m_sorted->mapToSource(row).row()));
    return all;
}

std::optional<Content> ArchiveWindow::loadSelected() {
    const auto m = selected();
    if (!m)
        return std::nullopt;
    auto c = m_archive.load(m->id);
    if (!c)
        m_dialogs.message(
            this, {m_archive.error(), dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
    return c;
}

namespace {
QString titleOf(const Measurement& m) {
    return QStringLiteral("%1 (archive %2)").arg(m.source, QString::number(m.id));
}
} // namespace

void ArchiveWindow::openSelected() {
    const auto c = loadSelected();
    if (!c)
        return;
    if (c->info.kind == Kind::Bank) {
        if (m_openBanks)
            m_openBanks(bankTable(*c), titleOf(c->info));
        return;
    }
    auto* window = new stored::ui::FileList(titleOf(c->info), levelList(*c), m_dialogs, {}, this);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &stored::ui::FileList::plotRequested, window,
            [this, window](const stored::LevelList& list) {
                realtime::ui::Plot::showList(list, window->windowTitle(), m_dialogs, window);
            });
    window->show();
}

void ArchiveWindow::plotSelected() {
    const auto c = loadSelected();
    if (c && c->info.kind != Kind::Bank)
        realtime::ui::Plot::showList(levelList(*c), titleOf(c->info), m_dialogs, this);
}

void ArchiveWindow::histogramSelected() {
    const auto c = loadSelected();
    if (c && c->info.kind != Kind::Bank)
        stored::ui::Histogram::showCounts(
            stored::countLevels(levelList(*c), stored::Resolution::OneDb), m_dialogs, this);
}

void ArchiveWindow::exportSelected() {
    const auto c = loadSelected();
    if (!c)
        return;
    QString filter;
    switch (c->info.kind) {
    case Kind::Logged:
    case Kind::Recording:
        filter = QStringLiteral("Data type[*.dat]|*.dat|CSV[*.csv]|*.csv");
        break;
    case Kind::Bank:
        filter = events::kBankFileFilter;
        break;
    case Kind::Average:
        filter = realtime::kAverageFilter;
        break;
    }
    const auto choice = m_dialogs.saveFile(this, QStringLiteral("Export"), filter);
    if (!choice)
        return;
    const QString* path = &choice->path;
    const bool csv = choice->writesAs(QStringLiteral("csv"));
    QByteArray bytes;
    if (c->info.kind == Kind::Bank) {
        bytes = events::BankFileBytes(bankTable(*c), events::BankLayout::Menu);
    } else if (c->info.kind == Kind::Average) {
        bytes = csv ? realtime::averageCsvBytes(averageFile(*c))
                    : realtime::averageFileBytes(averageFile(*c));
    } else if (csv) {
        bytes = stored::csvBytes(levelList(*c));
    } else if (c->info.kind == Kind::Recording) {
        bytes = stored::recordingHeaderLine();
        for (const stored::LevelRow& row : c->rows)
            bytes += stored::recordingLine(row);
    } else {
        bytes = stored::gridFileBytes(levelList(*c));
    }
    if (const auto why = stored::saveBytes(*path, bytes))
        m_dialogs.message(this, {QStringLiteral("Could not write %1: %2").arg(*path, *why),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
}

void ArchiveWindow::deleteSelected() {
    const auto m = selected();
    if (!m)
        return;
    const QString text =
        QStringLiteral("Delete measurement %1 (%2, %3%4) from the archive for good?")
            .arg(m->id)
            .arg(kindKey(m->kind), m->source,
                 m->start ? QStringLiteral(", ") + stampText(m->start) : QString());
    if (m_dialogs.message(this, {text, dialogs::Buttons::OkCancel, dialogs::Icon::Question, {}}) !=
        dialogs::Answer::Ok)
        return;
    if (!m_archive.remove(m->id))
        m_dialogs.message(
            this, {m_archive.error(), dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
    refresh();
}

void ArchiveWindow::chooseImport() {
    const auto path = m_dialogs.openFile(
        this, QStringLiteral("Import into archive"),
        QStringLiteral("Measurements[*.dat;*.bnk;*.avg]|*.dat;*.bnk;*.avg|All files[*.*]|*.*"));
    if (path)
        importFiles({*path});
}

void ArchiveWindow::importFiles(const QStringList& files) {
    if (files.isEmpty() || importRunning() || m_archive.isReadOnly())
        return;
    m_cancelled = false;
    m_progress->setRange(0, static_cast<int>(files.size()));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    // The import has its own connection on its own thread; the window stays live.
    m_worker = std::thread([this, files, location = m_location] {
        Archive archive;
        int added = 0;
        int already = 0;
        int refused = 0;
        QStringList problems;
        if (!archive.open(location)) {
            problems << archive.error();
            refused = static_cast<int>(files.size());
        }
        for (int i = 0; archive.isOpen() && i < files.size() && !m_cancelled; ++i) {
            const FileContent read = readMeasurementFile(files[i]);
            QString line;
            if (!read.content) {
                ++refused;
                line = QStringLiteral("%1: %2").arg(QFileInfo(files[i]).fileName(), read.error);
                problems << line;
            } else {
                const Added a = archive.add(*read.content);
                a.ok() ? (a.added ? ++added : ++already) : ++refused;
                line = QStringLiteral("%1: %2").arg(QFileInfo(files[i]).fileName(), a.text());
                if (!a.ok())
                    problems << line;
            }
            QMetaObject::invokeMethod(
                this, [this, i, n = int(files.size()), line] { importProgress(i + 1, n, line); });
        }
        QMetaObject::invokeMethod(this, [this, added, already, refused, problems] {
            importDone(added, already, refused, problems);
        });
    });
}

void ArchiveWindow::cancelImport() {
    m_cancelled = true;
    if (m_worker.joinable()) {
        m_worker.join();
        // What the worker posted back is dropped with the window; the counts stand.
    }
}

void ArchiveWindow::importProgress(int done, int total, const QString& line) {
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_status->setText(line);
}

void ArchiveWindow::importDone(int added, int already, int refused, const QStringList& problems) {
    if (m_worker.joinable())
        m_worker.join();
    m_progress->hide();
    m_cancel->hide();
    refresh();
    m_status->setText(QStringLiteral("%1 added, %2 already in the archive, %3 refused")
                          .arg(added)
                          .arg(already)
                          .arg(refused));
    if (!problems.isEmpty())
        m_dialogs.message(this, {problems.join(QLatin1Char('\n')),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
    emit importFinished(added, already, refused);
}

void ArchiveWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !m_archive.isReadOnly())
        event->acceptProposedAction();
}

void ArchiveWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    importFiles(files);
    event->acceptProposedAction();
}

void ArchiveWindow::closeEvent(QCloseEvent* event) {
    cancelImport();
    QWidget::closeEvent(event);
}

} // namespace nd::archive::ui
