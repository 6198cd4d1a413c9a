#include "FileList.h"

#include "Histogram.h"
#include "LevelGrid.h"
#include "ListingPrinter.h"
#include "NoteBox.h"
#include "dialogs/Dialogs.h"
#include "stored/DataFile.h"
#include "stored/Listing.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMetaMethod>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace nd::stored::ui {

namespace {

const QString kDataFilter = QStringLiteral("Data File[*.dat]|*.dat|All type[*.*]|*.*");

QAction* keyed(QToolBar* bar, const QString& key, const QString& text, const QString& tip) {
    QAction* action = bar->addAction(text);
    action->setObjectName(key);
    action->setToolTip(tip);
    return action;
}

} // namespace

FileList::FileList(const QString& title, LevelList list, dialogs::Dialogs& dialogs,
                   ExposurePanel::MeterSettings meterSettings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("FileList"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);

    m_toolbar = new QToolBar;
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    connect(
        keyed(m_toolbar, QStringLiteral("Plot"), QStringLiteral("Plot"), QStringLiteral("Plot")),
        &QAction::triggered, this, &FileList::plot);
    connect(
        keyed(m_toolbar, QStringLiteral("Ln"), QStringLiteral("Ln"), QStringLiteral("Histogram")),
        &QAction::triggered, this, &FileList::showResolutions);
    connect(
        keyed(m_toolbar, QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral("Print")),
        &QAction::triggered, this, &FileList::print);
    connect(keyed(m_toolbar, QStringLiteral("Report"), QStringLiteral("Report…"),
                  QStringLiteral("Exposure report as PDF")),
            &QAction::triggered, this, [this] { emit reportRequested(listWithNotes()); });
    connect(keyed(m_toolbar, QStringLiteral("Csv"), QStringLiteral("CSV"),
                  QStringLiteral("Export as CSV for a spreadsheet")),
            &QAction::triggered, this, &FileList::exportCsv);

    const auto notes = list.notes;
    m_model.setList(std::move(list));
    m_Grid = levelGrid(QStringLiteral("Grid"), &m_model,
                       {"AAAAAA", "AA:AA:AAAAAA", "AA:AA:AAAA", "AAAAAA"});

    m_PicResolution = new QWidget;
    m_PicResolution->setObjectName(QStringLiteral("PicResolution"));
    auto* frame = new QGroupBox(QStringLiteral("Resolution"));
    m_Cmd1dB = new QPushButton(QStringLiteral("1 dB"));
    m_Cmd1dB->setObjectName(QStringLiteral("Cmd1dB"));
    m_Cmd01dB = new QPushButton(QStringLiteral("0.1 dB"));
    m_Cmd01dB->setObjectName(QStringLiteral("Cmd01dB"));
    auto* buttons = new QHBoxLayout(frame);
    buttons->addWidget(m_Cmd1dB);
    buttons->addWidget(m_Cmd01dB);
    (new QHBoxLayout(m_PicResolution))->addWidget(frame);
    m_PicResolution->hide();
    connect(m_Cmd1dB, &QPushButton::clicked, this, [this] { showHistogram(Resolution::OneDb); });
    connect(m_Cmd01dB, &QPushButton::clicked, this, [this] { showHistogram(Resolution::TenthDb); });

    auto* left = new QVBoxLayout;
    left->addWidget(m_Grid, 1);
    NoteBox** boxes[] = {&m_T1, &m_T2, &m_T3};
    for (std::size_t i = 0; i < 3; ++i) {
        *boxes[i] = new NoteBox;
        (*boxes[i])->setObjectName(QStringLiteral("T%1").arg(i + 1));
        (*boxes[i])->setText(notes[i]);
        left->addWidget(*boxes[i]);
    }
    left->addWidget(m_PicResolution);

    m_exposure = new ExposurePanel(std::move(meterSettings));
    m_exposure->setSource(&m_model.list());
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(m_exposure);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_toolbar);
    layout->addLayout(body, 1);
    // 4000 x 6800 twips
    setMinimumSize(267, 453);
    resize(680, 560);
}

FileList* FileList::open(dialogs::Dialogs& dialogs, QWidget* parent,
                         ExposurePanel::MeterSettings meterSettings) {
    const auto path = dialogs.openFile(parent, QStringLiteral("Open"), kDataFilter);
    if (!path || path->isEmpty())
        return nullptr;
    DataFileRead read = readDataFile(*path);
    const QString name = QFileInfo(*path).fileName();
    if (!read.ok()) {
        dialogs.message(parent,
                        {QStringLiteral("%1 could not be read.\r\n%2").arg(name, read.error.text()),
                         dialogs::Buttons::Ok,
                         dialogs::Icon::Exclamation,
                         {}});
        return nullptr;
    }
    const QStringList remarks = read.content->remarks();
    auto* window = new FileList(name, std::move(read.content->list), dialogs,
                                std::move(meterSettings), parent);
    if (!remarks.isEmpty())
        dialogs.message(window, {name + QStringLiteral(": ") + remarks.join(QLatin1Char(' ')),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
    window->m_sourcePath = *path;
    return window;
}

LevelList FileList::listWithNotes() const {
    LevelList list = m_model.list();
    list.notes = {m_T1->text(), m_T2->text(), m_T3->text()};
    return list;
}

void FileList::plot() {
    if (isSignalConnected(QMetaMethod::fromSignal(&FileList::plotRequested))) {
        emit plotRequested(m_model.list());
        return;
    }
    m_dialogs.message(this, {QStringLiteral("The plot window is not part of this version yet."),
                             dialogs::Buttons::Ok,
                             dialogs::Icon::Exclamation,
                             {}});
}

void FileList::showResolutions() {
    m_PicResolution->show();
}

Histogram* FileList::showHistogram(Resolution resolution) {
    // Owned by the main window, not by this one: a histogram outlives the file's window.
    Histogram* window =
        Histogram::showCounts(countLevels(m_model.list(), resolution), m_dialogs, parentWidget());
    m_PicResolution->hide();
    return window;
}

QStringList FileList::printLines() const {
    QStringList figures;
    for (const auto& [label, value] : exposureRows(m_exposure->exposure()))
        figures << label.leftJustified(24) + value;
    figures << exposureRemarks(m_exposure->exposure());
    return listingLines(listWithNotes(), figures);
}

bool FileList::print() {
    return ListingPrinter::print(m_dialogs, this, printLines());
}

bool FileList::exportCsv() {
    const auto chosen = m_dialogs.saveFile(this, QStringLiteral("Export as CSV"),
                                           QStringLiteral("CSV file[*.csv]|*.csv"));
    if (!chosen)
        return false;
    if (const auto why = saveBytes(chosen->path, csvBytes(m_model.list()))) {
        m_dialogs.message(this,
                          {QStringLiteral("%1 could not be saved: %2").arg(chosen->path, *why),
                           dialogs::Buttons::Ok,
                           dialogs::Icon::Critical,
                           {}});
        return false;
    }
    return true;
}

} // namespace nd::stored::ui
