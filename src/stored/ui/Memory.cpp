#include "Memory.h"

#include "ExposurePanel.h"
#include "LevelGrid.h"
#include "ListingPrinter.h"
#include "NoteBox.h"
#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"
#include "stored/DataFile.h"
#include "stored/Listing.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace nd::stored::ui {

namespace {

const QString kG1Caption = QStringLiteral("Recorded Set(s)");
const QString kG2Caption = QStringLiteral("Details");
const QStringList kSetColumns = {QStringLiteral("Set"), QStringLiteral("Date"),
                                 QStringLiteral("Time"), QStringLiteral("Interval"),
                                 QStringLiteral("Rec.s")};

template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

/// Runs a handler when a widget is clicked (labels and read-only boxes that act as
/// buttons, as the meter's values do here).
class ClickFilter final : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> onClick)
        : QObject(target), m_onClick(std::move(onClick)) {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_onClick();
        return false;
    }

private:
    std::function<void()> m_onClick;
};

QLabel* valuePanel(const QString& name) {
    auto* label = named(new QLabel, name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(70);
    return label;
}

QLineEdit* valueBox(const QString& name) {
    auto* box = named(new QLineEdit, name);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setCursor(Qt::PointingHandCursor);
    box->setMaximumWidth(90);
    return box;
}

QProgressBar* floodPanel(const QString& name, const QString& caption) {
    auto* bar = named(new QProgressBar, name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(true);
    bar->setAlignment(Qt::AlignCenter);
    bar->setFormat(caption);
    bar->setProperty("caption", caption);
    return bar;
}

} // namespace

Memory::Memory(link::MeterLink& link, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_link(link), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Memory"));
    setWindowTitle(QStringLiteral("Memory"));
    buildControls();
    connect(&m_link, &link::MeterLink::jobProgress, this, [this](int percent) {
        if (m_transferBusy)
            m_G1->setValue(percent);
    });
}

void Memory::buildControls() {
    m_sets = new QStandardItemModel(0, static_cast<int>(kSetColumns.size()), this);
    m_sets->setHorizontalHeaderLabels(kSetColumns);
    m_G1 = floodPanel(QStringLiteral("G1"), kG1Caption);
    m_G2 = floodPanel(QStringLiteral("G2"), kG2Caption);
    m_Grid1 = levelGrid(QStringLiteral("Grid1"), m_sets,
                        {"AAAAAAA", "AA:AA:AAAAA", "AA:AA:AA", "AAAAAAA", "AAAAAAAA"});
    m_Grid2 = levelGrid(QStringLiteral("Grid2"), &m_records,
                        {"AAAAAAAA", "AA:AA:AAAAAA", "AA:AA:AAAAA", "AAAAAAAA"});
    for (QTableView* view : {m_Grid1, m_Grid2})
        view->setSelectionMode(QAbstractItemView::SingleSelection);
    // A set is listed when it becomes the current one, by mouse or keyboard, and again
    // when it is clicked after something else was listed.
    connect(m_Grid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& index) { listSet(index.row()); });
    connect(m_Grid1, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() != m_listedRow)
            listSet(index.row());
    });

    m_LblMemory = valuePanel(QStringLiteral("LblMemory"));
    m_LblRemaining = valuePanel(QStringLiteral("LblRemaining"));
    m_LblRemaining->setCursor(Qt::PointingHandCursor);
    m_LblRemaining->setToolTip(QStringLiteral("Click to erase the meter's logged memory"));
    m_TxtIDCode = valueBox(QStringLiteral("TxtIDCode"));
    m_TxtInterval = valueBox(QStringLiteral("TxtInterval"));
    new ClickFilter(m_LblRemaining, [this] { eraseMemory(); });
    new ClickFilter(m_TxtIDCode, [this] { changeIdCode(); });
    new ClickFilter(m_TxtInterval, [this] { changeInterval(); });

    auto* values = new QGridLayout;
    const QList<QPair<QString, QWidget*>> captioned = {{QStringLiteral("Memory"), m_LblMemory},
                                                       {QStringLiteral("Remain"), m_LblRemaining},
                                                       {QStringLiteral("ID Code"), m_TxtIDCode},
                                                       {QStringLiteral("Interval"), m_TxtInterval}};
    for (int i = 0; i < captioned.size(); ++i) {
        auto* caption = new QLabel(captioned[i].first);
        caption->setAlignment(Qt::AlignCenter);
        values->addWidget(caption, 0, i);
        values->addWidget(captioned[i].second, 1, i);
    }

    m_T1 = named(new NoteBox, QStringLiteral("T1"));
    m_T2 = named(new NoteBox, QStringLiteral("T2"));
    m_T3 = named(new NoteBox, QStringLiteral("T3"));
    m_CmdSave = named(new QPushButton(QStringLiteral("Save")), QStringLiteral("CmdSave"));
    m_CmdSaveAll = named(new QPushButton(QStringLiteral("Save all")), QStringLiteral("CmdSaveAll"));
    m_CmdSaveAll->setToolTip(QStringLiteral("Saves every data set, one file each, in a folder"));
    m_CmdPrint = named(new QPushButton(QStringLiteral("Print")), QStringLiteral("CmdPrint"));
    connect(m_CmdSave, &QPushButton::clicked, this, &Memory::save);
    connect(m_CmdSaveAll, &QPushButton::clicked, this, &Memory::saveAll);
    connect(m_CmdPrint, &QPushButton::clicked, this, &Memory::print);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_CmdSave);
    buttons->addWidget(m_CmdSaveAll);
    buttons->addWidget(m_CmdPrint);

    // The selected set's exposure figures beside its records, as the Saved File shows them.
    m_exposure = new ExposurePanel([this] { return ExposurePanel::settingsOf(&m_link.state()); });
    m_exposure->setSource(&m_records.list());
    auto* records = new QHBoxLayout;
    records->addWidget(m_Grid2, 1);
    records->addWidget(m_exposure);

    auto* notes = new QFormLayout;
    int n = 0;
    for (NoteBox* note : {m_T1, m_T2, m_T3}) {
        auto* label = new QLabel(QStringLiteral("Note &%1:").arg(++n));
        label->setBuddy(note);
        notes->addRow(label, note);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(values);
    layout->addWidget(m_G1);
    layout->addWidget(m_Grid1, 1);
    layout->addWidget(m_G2);
    layout->addLayout(records, 2);
    layout->addLayout(notes);
    layout->addLayout(buttons);
    // 5600 x 7000 twips, and the figures beside the records.
    setMinimumSize(373, 467);
    resize(640, 640);
}

// ---------------------------------------------------------------- the download

void Memory::setTransferBusy(bool busy) {
    m_transferBusy = busy;
    emit transferBusyChanged(busy);
}

void Memory::showProgress(QProgressBar* bar, bool on) {
    bar->setValue(0);
    bar->setFormat(on ? QStringLiteral("%p%") : bar->property("caption").toString());
}

void Memory::download() {
    if (m_transferBusy)
        return;
    setTransferBusy(true);
    m_sets->removeRows(0, m_sets->rowCount());
    // A new download empties the records too, so an old set cannot be saved as new.
    m_memory = {};
    m_records.clearRows();
    m_listedSet = -1;
    m_listedRow = -1;
    m_exposure->refresh();
    showProgress(m_G1, true);
    show();
    raise();
    auto result = std::make_shared<Download>();
    auto work = [result](link::Meter& meter) { *result = DownloadMemory(meter); };
    auto done = [this, result](link::JobOutcome outcome) { downloadDone(outcome, *result); };
    submit(QStringLiteral("memory download"), work, done);
}

void Memory::downloadDone(link::JobOutcome outcome, const Download& result) {
    showProgress(m_G1, false);
    setTransferBusy(false);
    if (refuseLinkFailure(outcome)) {
        emit downloadEnded(false);
        return;
    }
    if (!result.ok) {
        tell(result.error, int(dialogs::Icon::Exclamation));
        emit downloadEnded(false);
        return;
    }
    m_memory = decodeLoggedMemory(result.cells, result.setCount, result.dataEnd);
    m_savedSets.clear();
    m_listedSet = -1;
    fillSets();
    emit downloadEnded(true);
}

void Memory::fillSets() {
    m_LblMemory->setText(m_memory.memoryText());
    m_LblRemaining->setText(m_memory.remainingText());
    m_TxtIDCode->setText(m_memory.idCodeText());
    m_TxtInterval->setText(m_memory.intervalSecondsText());
    QStringList damaged;
    for (const LoggedSet& set : m_memory.sets) {
        QList<QStandardItem*> row;
        const QStringList texts =
            set.damaged()
                ? QStringList{QString::number(set.number), QStringLiteral("damaged"), {}, {}, {}}
                : QStringList{QString::number(set.number), set.dateText, set.timeText,
                              set.intervalText, set.recordsText};
        const QString why = set.damaged() ? set.damage : set.headerProblem;
        for (const QString& text : texts) {
            auto* item = new QStandardItem(text);
            item->setTextAlignment(Qt::AlignCenter);
            if (!why.isEmpty())
                item->setToolTip(why);
            row << item;
        }
        m_sets->appendRow(row);
        if (set.damaged())
            damaged << QStringLiteral("Set %1: %2; it is not listed.").arg(set.number).arg(why);
        else if (!why.isEmpty())
            damaged << QStringLiteral("Set %1: %2.").arg(set.number).arg(why);
    }
    if (!m_memory.problem.isEmpty())
        damaged.prepend(m_memory.problem);
    if (!damaged.isEmpty()) {
        // The list goes in the box's scrollable part: a hundred sets would push the box
        // and its OK button off the screen.
        const QString text = QStringLiteral("%1 of %2 data sets are damaged; the others are "
                                            "listed as they are. See the details.")
                                 .arg(damaged.size() - (m_memory.problem.isEmpty() ? 0 : 1))
                                 .arg(m_memory.sets.size());
        m_dialogs.message(this, {text,
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {},
                                 damaged.join(QStringLiteral("\r\n"))});
    }
}

void Memory::listSet(int row) {
    if (m_transferBusy || row < 0 || row >= static_cast<int>(m_memory.sets.size()))
        return;
    const LoggedSet& set = m_memory.sets[static_cast<std::size_t>(row)];
    m_listedRow = row;
    if (set.damaged()) {
        m_records.clearRows();
        m_listedSet = -1;
        m_exposure->refresh();
        tell(QStringLiteral("Set %1 is damaged: %2.").arg(set.number).arg(set.damage),
             int(dialogs::Icon::Exclamation));
        return;
    }
    showProgress(m_G2, true);
    m_listedSet = row;
    m_records.setList(stored::listSet(set));
    m_exposure->refresh();
    showProgress(m_G2, false);
}

// ---------------------------------------------------------------- ID code, interval, erase

bool Memory::keyLocked() {
    if (!m_link.state().KeyLocked)
        return false;
    tell(texts::kKeyLocked, int(dialogs::Icon::Critical));
    return true;
}

void Memory::changeIdCode() {
    if (m_transferBusy || keyLocked())
        return;
    const auto in =
        parseIdCodeInput(m_dialogs.input(this, texts::kIdPrompt, texts::kInputTitle, {}));
    if (in.verdict == MeterValueInput::Verdict::Invalid)
        tell(texts::kIdInvalid, int(dialogs::Icon::Critical));
    if (in.verdict == MeterValueInput::Verdict::Value)
        writeWord(true, in.value);
}

void Memory::changeInterval() {
    if (m_transferBusy || keyLocked())
        return;
    const auto in = parseLogIntervalInput(
        m_dialogs.input(this, texts::kIntervalPrompt, texts::kInputTitle, {}));
    if (in.verdict == MeterValueInput::Verdict::Invalid)
        tell(texts::kIntervalInvalid, int(dialogs::Icon::Critical));
    if (in.verdict == MeterValueInput::Verdict::Value)
        writeWord(false, in.value);
}

void Memory::writeWord(bool idCode, int value) {
    setTransferBusy(true);
    auto readBack = std::make_shared<std::optional<int>>();
    auto work = [idCode, value, readBack](link::Meter& meter) {
        *readBack = idCode ? WriteIdCode(meter, value) : WriteLogInterval(meter, value);
    };
    auto done = [this, idCode, value, readBack](link::JobOutcome outcome) {
        setTransferBusy(false);
        if (refuseLinkFailure(outcome))
            return;
        // OK only when what was written is what the meter holds now.
        if (*readBack != value) {
            tell(texts::kWriteFail, int(dialogs::Icon::None));
            return;
        }
        if (idCode) {
            m_memory.idCode = value;
            m_TxtIDCode->setText(QString::number(value));
        } else {
            m_TxtInterval->setText(QString::number(value / 10.0, 'f', 1));
        }
        tell(texts::kWriteOk, int(dialogs::Icon::None));
    };
    m_link.submit(
        {idCode ? QStringLiteral("ID code") : QStringLiteral("logging interval"), work, done});
}

void Memory::eraseMemory() {
    if (m_transferBusy || keyLocked())
        return;
    const dialogs::Message question{
        texts::kEraseQuestion, dialogs::Buttons::OkCancel, dialogs::Icon::Exclamation, {}};
    if (m_dialogs.message(this, question) != dialogs::Answer::Ok)
        return;
    setTransferBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto erased = std::make_shared<bool>(false);
    auto work = [erased](link::Meter& meter) { *erased = EraseLoggedMemory(meter); };
    auto done = [this, erased](link::JobOutcome outcome) {
        QApplication::restoreOverrideCursor();
        setTransferBusy(false);
        if (refuseLinkFailure(outcome))
            return;
        tell(*erased ? texts::kDeletedOk : texts::kDeletedFail, int(dialogs::Icon::None));
    };
    submit(QStringLiteral("erase memory"), work, done);
}

// ---------------------------------------------------------------- save and print

LevelList Memory::recordsWithNotes() const {
    LevelList list = m_records.list();
    list.notes = {m_T1->text(), m_T2->text(), m_T3->text()};
    return list;
}

void Memory::save() {
    const auto chosen = m_dialogs.saveFile(this, QStringLiteral("Save as"), kSaveFilter);
    if (!chosen)
        return;
    const QString& path = chosen->path;
    const QString recording = m_recordingFile ? m_recordingFile() : QString();
    if (!recording.isEmpty() &&
        QFileInfo(path).absoluteFilePath() == QFileInfo(recording).absoluteFilePath()) {
        tell(QStringLiteral("%1 is the file being recorded; choose another name.").arg(path),
             int(dialogs::Icon::Exclamation));
        return;
    }
    const LevelList list = recordsWithNotes();
    const bool csv = chosen->writesAs(QStringLiteral("csv"));
    if (const auto why = saveBytes(path, csv ? csvBytes(list) : gridFileBytes(list))) {
        tell(QStringLiteral("%1 could not be saved: %2").arg(path, *why),
             int(dialogs::Icon::Critical));
        return;
    }
    if (m_listedSet >= 0)
        m_savedSets.insert(m_listedSet);
}

namespace {
std::vector<int> unsavedSets(const LoggedMemory& memory, const std::set<int>& saved) {
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(memory.sets.size()); ++row) {
        if (!memory.sets[static_cast<std::size_t>(row)].damaged() && !saved.count(row))
            rows.push_back(row);
    }
    return rows;
}
} // namespace

QString Memory::unsavedWork() const {
    const std::size_t count = unsavedSets(m_memory, m_savedSets).size();
    if (count == 0)
        return {};
    return QStringLiteral("Memory: %1 downloaded data set%2").arg(count).arg(count > 1 ? "s" : "");
}

bool Memory::saveUnsavedWork() {
    for (const int row : unsavedSets(m_memory, m_savedSets)) {
        listSet(row);
        save();
        if (!m_savedSets.count(row))
            return false;
    }
    return true;
}

QStringList Memory::saveAll() {
    QStringList written;
    if (m_memory.sets.empty()) {
        tell(QStringLiteral("There is no data set to save; download the memory first."),
             int(dialogs::Icon::Exclamation));
        return written;
    }
    const auto folder = m_dialogs.folder(this, QStringLiteral("Save all data sets in"));
    if (!folder)
        return written;
    const QDir dir(*folder);
    const QString recording = m_recordingFile ? m_recordingFile() : QString();
    QStringList problems;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const LoggedSet& set : m_memory.sets) {
        if (set.damaged()) {
            problems << QStringLiteral("Set %1 is damaged and was not saved.").arg(set.number);
            continue;
        }
        const QString path = dir.filePath(setFileName(set));
        if (!recording.isEmpty() &&
            QFileInfo(path).absoluteFilePath() == QFileInfo(recording).absoluteFilePath()) {
            problems << QStringLiteral("%1 is the file being recorded; set %2 was not saved.")
                            .arg(path)
                            .arg(set.number);
            continue;
        }
        if (const auto why = saveBytes(path, gridFileBytes(setForFile(m_memory, set)))) {
            problems << QStringLiteral("%1 could not be saved: %2").arg(path, *why);
            continue;
        }
        written << path;
        m_savedSets.insert(static_cast<int>(&set - m_memory.sets.data()));
    }
    QApplication::restoreOverrideCursor();
    const QString summary = QStringLiteral("%1 of %2 data sets saved in %3.")
                                .arg(written.size())
                                .arg(m_memory.sets.size())
                                .arg(QDir::toNativeSeparators(*folder));
    m_dialogs.message(this, {summary,
                             dialogs::Buttons::Ok,
                             problems.isEmpty() ? dialogs::Icon::None : dialogs::Icon::Exclamation,
                             {},
                             problems.join(QStringLiteral("\r\n"))});
    return written;
}

void Memory::print() {
    ListingPrinter::print(m_dialogs, this, listingLines(recordsWithNotes()));
}

// ---------------------------------------------------------------- messages

void Memory::submit(const QString& name, std::function<void(link::Meter&)> work,
                    std::function<void(link::JobOutcome)> done) {
    // The link may report back after the program closed this window.
    QPointer<Memory> self(this);
    m_link.submit({name, std::move(work), [self, done = std::move(done)](link::JobOutcome o) {
                       if (self)
                           done(o);
                   }});
}

void Memory::tell(const QString& text, int icon) {
    m_dialogs.message(this, {text, dialogs::Buttons::Ok, static_cast<dialogs::Icon>(icon), {}});
}

bool Memory::refuseLinkFailure(link::JobOutcome outcome) {
    if (outcome == link::JobOutcome::Done)
        return false;
    QString text = QStringLiteral("No device available !");
    if (outcome == link::JobOutcome::PortLost)
        text = QStringLiteral("The meter's port was lost; the command did not reach the meter.");
    else if (outcome == link::JobOutcome::TimedOut)
        text = QStringLiteral("The meter did not answer.");
    tell(text, int(dialogs::Icon::Exclamation));
    return true;
}

} // namespace nd::stored::ui
