#include "List.h"

#include "LevelGrid.h"
#include "ListingPrinter.h"
#include "Memory.h"
#include "NoteBox.h"
#include "dialogs/Dialogs.h"
#include "stored/DataFile.h"
#include "stored/Listing.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace nd::stored::ui {

namespace {

/// The figures of a growing list are brought up to date at most this often.
constexpr int kExposureRefreshMs = 1000;

} // namespace

List::List(dialogs::Dialogs& dialogs, ExposurePanel::MeterSettings meterSettings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("List"));
    setWindowTitle(QStringLiteral(" List"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* menu = new QMenuBar;
    QAction* cmdSave = menu->addAction(QStringLiteral("Save"));
    cmdSave->setObjectName(QStringLiteral("CmdSave"));
    QAction* cmdPrint = menu->addAction(QStringLiteral("Print"));
    cmdPrint->setObjectName(QStringLiteral("CmdPrint"));
    connect(cmdSave, &QAction::triggered, this, &List::save);
    connect(cmdPrint, &QAction::triggered, this, &List::print);

    m_toolbar = new QToolBar;
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* save = m_toolbar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                         QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("Save"));
    save->setToolTip(QStringLiteral("Save As"));
    QAction* print = m_toolbar->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print"));
    print->setToolTip(QStringLiteral("Print"));
    m_StopStart = m_toolbar->addAction(QString());
    m_StopStart->setObjectName(QStringLiteral("StopStart"));
    connect(save, &QAction::triggered, this, &List::save);
    connect(print, &QAction::triggered, this, &List::print);
    connect(m_StopStart, &QAction::triggered, this, &List::stopStart);

    m_Grid = levelGrid(QStringLiteral("Grid"), &m_model,
                       {"AAAAAA", "AA:AA:AAAAAA", "AA:AA:AAAAA", "AAAAAA"});
    m_LblStatus = new QLabel;
    m_LblStatus->setObjectName(QStringLiteral("LblStatus"));
    m_LblStatus->setWordWrap(true);
    m_LblStatus->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(m_Grid, 1);
    left->addWidget(m_LblStatus);
    NoteBox** boxes[] = {&m_T1, &m_T2, &m_T3};
    for (int i = 0; i < 3; ++i) {
        *boxes[i] = new NoteBox;
        (*boxes[i])->setObjectName(QStringLiteral("T%1").arg(i + 1));
        left->addWidget(*boxes[i]);
    }
    m_exposure = new ExposurePanel(std::move(meterSettings));
    m_exposure->setSource(&m_model.list());
    m_exposureTimer.setSingleShot(true);
    m_exposureTimer.setInterval(kExposureRefreshMs);
    connect(&m_exposureTimer, &QTimer::timeout, this, [this] {
        if (!m_exposureStale)
            return;
        m_exposureStale = false;
        m_exposure->refresh();
        m_exposureTimer.start();
    });

    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(m_exposure);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(m_toolbar);
    layout->addLayout(body, 1);
    setMinimumSize(267, 453);
    resize(680, 520);
    setCollecting(true);
}

List::Step List::addSample(const QString& dateStamp, const QString& timeStamp,
                           const Reading& reading) {
    if (!m_collecting)
        return Step::NotCollecting;
    if (reading.level.kind == LevelKind::Missing) {
        ++m_missed;
        showStatus();
        return Step::Missed;
    }
    // Checked before the row is added, so no row ever holds a dose or a clock.
    if (reading.level.kind == LevelKind::NotLevel) {
        if (m_model.rowCount() == 0) {
            // Nothing to keep (a ReStart outside dBA): the list closes, as it always did.
            setCollecting(false);
            close();
            return Step::LeftDba;
        }
        stopWith(QStringLiteral("Stopped: the meter no longer shows dBA. The rows are kept; "
                                "ReStart starts a new list."));
        return Step::LeftDba;
    }
    ++m_listCount;
    m_model.append({makeRow(QString::number(m_listCount), dateStamp, timeStamp, reading.text)});
    m_Grid->scrollToBottom();
    m_unsaved = true;
    // The first row after a quiet spell shows at once, later ones at most once a second.
    if (m_exposureTimer.isActive()) {
        m_exposureStale = true;
    } else {
        m_exposure->refresh();
        m_exposureTimer.start();
    }
    if (m_listCount >= kMaxRows) {
        stopWith(QStringLiteral("Stopped at %1 rows, the most a list holds. Save it; ReStart "
                                "starts a new list.")
                     .arg(kMaxRows));
        return Step::Full;
    }
    return Step::Added;
}

void List::stopWith(const QString& why) {
    m_stopReason = why;
    setCollecting(false);
    m_exposure->refresh();
    showStatus();
}

void List::setCollecting(bool on) {
    m_collecting = on;
    m_StopStart->setIcon(style()->standardIcon(on ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    m_StopStart->setText(on ? QStringLiteral("Stop") : QStringLiteral("ReStart"));
    m_StopStart->setToolTip(on ? QStringLiteral("Stop") : QStringLiteral("ReStart"));
    emit collectingChanged(on);
}

void List::stopStart() {
    if (m_collecting) {
        setCollecting(false);
        m_exposure->refresh();
        return;
    }
    if (m_unsaved &&
        m_dialogs.message(this, {QStringLiteral("The %1 rows of this list are not saved. Start a "
                                                "new list anyway?")
                                     .arg(m_model.rowCount()),
                                 dialogs::Buttons::OkCancel,
                                 dialogs::Icon::Question,
                                 {}}) != dialogs::Answer::Ok)
        return;
    m_model.clearRows();
    m_listCount = 0;
    m_missed = 0;
    m_unsaved = false;
    m_stopReason.clear();
    showStatus();
    m_exposure->refresh();
    setCollecting(true);
}

QString List::statusText() const {
    QStringList parts;
    if (!m_stopReason.isEmpty())
        parts << m_stopReason;
    if (m_missed > 0)
        parts << QStringLiteral("%1 samples missed: the meter was not answering.").arg(m_missed);
    return parts.join(QLatin1Char(' '));
}

void List::showStatus() {
    m_LblStatus->setText(statusText());
    m_LblStatus->setVisible(!m_LblStatus->text().isEmpty());
}

LevelList List::listWithNotes() const {
    LevelList list = m_model.list();
    list.notes = {m_T1->text(), m_T2->text(), m_T3->text()};
    return list;
}

void List::save() {
    if (m_recording && m_recording()) {
        m_dialogs.message(this, {QStringLiteral("The main window is recording to a file. Stop "
                                                "the recording before saving the list."),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
        return;
    }
    const auto chosen = m_dialogs.saveFile(this, QStringLiteral("Save as"), kSaveFilter);
    if (!chosen)
        return;
    const LevelList list = listWithNotes();
    const bool csv = chosen->writesAs(QStringLiteral("csv"));
    if (const auto why = saveBytes(chosen->path, csv ? csvBytes(list) : gridFileBytes(list))) {
        m_dialogs.message(this,
                          {QStringLiteral("%1 could not be saved: %2").arg(chosen->path, *why),
                           dialogs::Buttons::Ok,
                           dialogs::Icon::Critical,
                           {}});
        return;
    }
    m_unsaved = false;
}

QString List::unsavedWork() const {
    if (!m_unsaved || m_model.rowCount() == 0)
        return {};
    return QStringLiteral("List: %1 rows").arg(m_model.rowCount());
}

bool List::saveUnsavedWork() {
    save();
    return !m_unsaved;
}

bool List::print() {
    return ListingPrinter::print(m_dialogs, this, listingLines(listWithNotes()));
}

void List::closeEvent(QCloseEvent* event) {
    if (m_unsaved &&
        m_dialogs.message(this, {QStringLiteral("The %1 rows of this list are not saved. Close "
                                                "it and lose them?")
                                     .arg(m_model.rowCount()),
                                 dialogs::Buttons::OkCancel,
                                 dialogs::Icon::Question,
                                 {}}) != dialogs::Answer::Ok) {
        event->ignore();
        return;
    }
    setCollecting(false);
    event->accept();
}

} // namespace nd::stored::ui
