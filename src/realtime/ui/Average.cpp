#include "Average.h"

#include "StripGraph.h"
#include "dialogs/Dialogs.h"
#include "realtime/PlotData.h"
#include "stored/LevelListModel.h"
#include "stored/ui/ListingPrinter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace nd::realtime::ui {

namespace {

const std::array<const char*, kAverageFieldCount> kValueNames = {
    "TxtJob",       "TxtName",     "TxtID",      "LblStartDate", "LblStartTime", "LblIntv",
    "LblCriterion", "LblExchange", "LblRunTime", "LblMax",       "LblPeak"};

QLabel* valuePanel(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(90);
    return label;
}

QString laeqText(const std::optional<double>& laeq) {
    return laeq ? QString::number(*laeq, 'f', 1) : QString();
}

} // namespace

Average::Average(LiveSource live, dialogs::Dialogs& dialogs, QWidget* parent, WindowClock clock)
    : QWidget(parent, Qt::Window), m_live(std::move(live)), m_dialogs(dialogs),
      m_clock(std::move(clock)) {
    setObjectName(QStringLiteral("Average"));
    setWindowTitle(QStringLiteral("Average"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_Timer1.setObjectName(QStringLiteral("Timer1"));
    m_Timer1.setSingleShot(true);
    m_Timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_Timer1, &QTimer::timeout, this, &Average::tick);
    buildControls();
    setRunState(RunState::Idle);
    // 11000 x 4800 twips at the least, and enough to show the whole graph and eight rows.
    setMinimumSize(layout()->minimumSize().expandedTo(QSize(733, 320)));
    resize(size().expandedTo(QSize(820, 560)));
}

void Average::buildControls() {
    auto* layout = new QVBoxLayout(this);
    m_Toolbar1 = new QToolBar(this);
    m_Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto add = [this](const QString& key, const QString& tip, QStyle::StandardPixmap icon,
                      void (Average::*slot)()) {
        QAction* a = m_Toolbar1->addAction(style()->standardIcon(icon), key);
        a->setObjectName(key);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_save = add(QStringLiteral("Save"), QStringLiteral("Save As"), QStyle::SP_DialogSaveButton,
                 &Average::save);
    m_open = add(QStringLiteral("Open"), QStringLiteral("Open File"), QStyle::SP_DialogOpenButton,
                 &Average::open);
    m_start =
        add(QStringLiteral("Start"), QStringLiteral("Run"), QStyle::SP_MediaPlay, &Average::start);
    m_pause = add(QStringLiteral("Pause"), QStringLiteral("Pause"), QStyle::SP_MediaPause,
                  &Average::pause);
    m_stop =
        add(QStringLiteral("Stop"), QStringLiteral("Stop"), QStyle::SP_MediaStop, &Average::stop);
    m_intervalAction = add(QStringLiteral("Interval"), QStringLiteral("Interval"),
                           QStyle::SP_BrowserReload, &Average::askInterval);
    m_print = add(QStringLiteral("Print"), QStringLiteral("Print"),
                  QStyle::SP_FileDialogDetailedView, &Average::print);
    layout->addWidget(m_Toolbar1);

    auto* frames = new QHBoxLayout;
    auto frame = [&frames](const QString& caption, std::initializer_list<int> fields,
                           const std::function<QWidget*(int)>& make) {
        auto* box = new QGroupBox(caption);
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (int f : fields) {
            auto* label = new QLabel(kAverageLabels[f]);
            label->setObjectName(QStringLiteral("SLbl%1").arg(f < kRunTime ? f + 1 : f + 2));
            grid->addWidget(label, row, 0);
            grid->addWidget(make(f), row, 1);
            ++row;
        }
        grid->setRowStretch(row, 1);
        frames->addWidget(box);
    };
    // Double quotes and TABs would break the file's lines.
    const auto* noQuotes =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"\\t]*")), this);
    frame(QStringLiteral("User"), {kJob, kName, kId}, [this, noQuotes](int f) {
        auto* box = new QLineEdit;
        box->setObjectName(QLatin1String(kValueNames[f]));
        box->setValidator(noQuotes);
        m_userBoxes[f] = box;
        return box;
    });
    auto panel = [this](int f) {
        m_values[f] = valuePanel(kValueNames[f]);
        return m_values[f];
    };
    frame(QStringLiteral("Date"), {kStartDate, kStartTime, kInterval}, panel);
    frame(QStringLiteral("Meter set to"), {kCriterion, kExchange}, panel);
    frame(QStringLiteral("Measurement"), {kRunTime, kMax, kPeak}, panel);
    layout->addLayout(frames);

    auto* averageRow = new QHBoxLayout;
    m_Text1 = new QLineEdit;
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setReadOnly(true);
    m_Text1->setMaximumWidth(90);
    m_TxtLaeq = new QLineEdit;
    m_TxtLaeq->setObjectName(QStringLiteral("TxtLaeq"));
    m_TxtLaeq->setReadOnly(true);
    m_TxtLaeq->setMaximumWidth(90);
    m_LblClamped = new QLabel;
    m_LblClamped->setObjectName(QStringLiteral("LblClamped"));
    averageRow->addWidget(new QLabel(QStringLiteral("Average dBA")));
    averageRow->addWidget(m_Text1);
    averageRow->addWidget(new QLabel(QStringLiteral("LAeq")));
    averageRow->addWidget(m_TxtLaeq);
    averageRow->addWidget(m_LblClamped, 1);
    layout->addLayout(averageRow);

    auto* bottom = new QHBoxLayout;
    m_rows = new stored::LevelListModel(this);
    m_Grid = new QTableView;
    m_Grid->setObjectName(QStringLiteral("Grid"));
    m_Grid->setModel(m_rows);
    m_Grid->verticalHeader()->hide();
    m_Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_Grid->setMinimumWidth(320);
    // The header and eight rows, as the grid's own scrolling rule keeps in view.
    m_Grid->setMinimumHeight(m_Grid->horizontalHeader()->sizeHint().height() +
                             8 * m_Grid->verticalHeader()->defaultSectionSize() +
                             2 * m_Grid->frameWidth() +
                             m_Grid->horizontalScrollBar()->sizeHint().height());
    m_Graph = new StripGraph;
    bottom->addWidget(m_Grid, 1);
    bottom->addWidget(m_Graph, 1);
    layout->addLayout(bottom, 1);
}

// ---------------------------------------------------------------- run

void Average::setRunState(RunState state) {
    m_state = state;
    const bool running = state == RunState::Running;
    const bool paused = state == RunState::Paused;
    m_start->setEnabled(!running);
    m_pause->setEnabled(running);
    m_stop->setEnabled(running || paused);
    m_intervalAction->setEnabled(!running && !paused);
    m_open->setEnabled(!running && !paused);
    m_save->setEnabled(state != RunState::Idle || !m_rows->list().rows.empty());
}

Tenths Average::runTenths(double monotonic) const {
    return std::llround((monotonic - m_runStart) * 10.0);
}

void Average::start() {
    if (!m_live().dbaMode || m_state == RunState::Running)
        return;
    // The question may stand for a while: the run starts when it is answered.
    if (m_state != RunState::Paused && !mayDiscard())
        return;
    const double now = m_clock.monotonic();
    if (m_state == RunState::Paused) {
        // The readings before the pause are dropped; the next row covers a whole interval.
        m_segmentStart = runTenths(now);
        m_averager.restartInterval(m_segmentStart);
    } else {
        const LiveSnapshot live = m_live();
        const QDateTime wall = m_clock.wall();
        m_runStart = now;
        m_segmentStart = 0;
        m_averager.start(0, Tenths{m_interval.seconds} * 10);
        setField(kStartDate, wall.toString(QStringLiteral("yyyy/MM/dd")));
        setField(kStartTime, wall.toString(QStringLiteral("hh:mm:ss")));
        setField(kInterval, m_interval.text);
        setField(kCriterion, live.criterion);
        setField(kExchange, live.exchange);
        for (AverageField f : {kRunTime, kMax, kPeak})
            setField(f, {});
        m_rows->clearRows();
        m_laeq.clear();
        m_Graph->clear();
        m_Text1->clear();
        m_TxtLaeq->clear();
        m_LblClamped->clear();
        m_unsaved = false;
    }
    m_schedule.start(now, 1.0);
    setRunState(RunState::Running);
    armTimer();
}

void Average::pause() {
    if (m_state != RunState::Running)
        return;
    // The timer goes on: its ticks add nothing, but a meter leaving dBA still stops the run.
    setRunState(RunState::Paused);
}

void Average::stop() {
    if (m_state != RunState::Running && m_state != RunState::Paused)
        return;
    m_Timer1.stop();
    setRunState(RunState::Stopped);
    showRunEnd();
}

void Average::showRunEnd() {
    setField(kRunTime, runTimeText(m_averager.closedCount(), m_interval.seconds));
    setField(kMax, m_averager.maximum().text());
    setField(kPeak, m_averager.overloadSeen() ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void Average::armTimer() {
    if (m_state != RunState::Running && m_state != RunState::Paused)
        return;
    const double wait = m_schedule.secondsUntilDue(m_clock.monotonic());
    m_Timer1.start(static_cast<int>(std::ceil(wait * 1000.0)));
}

void Average::tick() {
    if (m_state != RunState::Running && m_state != RunState::Paused)
        return;
    const auto due = m_schedule.take(m_clock.monotonic());
    if (!due) {
        armTimer();
        return;
    }
    const LiveSnapshot live = m_live();
    if (!live.dbaMode) {
        stop();
        return;
    }
    if (m_state == RunState::Paused) {
        armTimer();
        return;
    }
    // The reading stands for the second that ends at this tick; times in whole tenths
    // from the tick's index, so no rounding can put it before its interval.
    const Tenths end = m_segmentStart + due->index * 10;
    addRows(m_averager.add(end - 10, live.reading.level));
    addRows(m_averager.advanceTo(end));
    if (m_averager.clampedCount() > 0) {
        m_LblClamped->setText(QStringLiteral("%1 readings counted at a bound (OL as 140.0 dB, "
                                             "---- as 70.0 dB)")
                                  .arg(m_averager.clampedCount()));
    }
    armTimer();
}

void Average::addRows(const std::vector<IntervalAverage>& closed) {
    if (closed.empty())
        return;
    const QDateTime wall = m_clock.wall();
    std::vector<stored::LevelRow> rows;
    for (const IntervalAverage& a : closed) {
        const QString mean = a.meanText();
        rows.push_back(stored::makeRow(QString::number(a.index + 1),
                                       wall.toString(QStringLiteral("yyyy/MM/dd")),
                                       wall.toString(QStringLiteral("hh:mm:ss")), mean));
        m_laeq.push_back(a.laeq());
        m_Text1->setText(mean);
        m_TxtLaeq->setText(laeqText(a.laeq()));
        // No real sample: a gap in the graph.
        m_Graph->append(a.samples == 0 ? std::nan("") : plotLevel(stored::parseLevel(mean)));
    }
    m_rows->append(std::move(rows));
    m_Grid->scrollToBottom();
    m_unsaved = true;
}

// ---------------------------------------------------------------- fields

void Average::setField(AverageField f, const QString& text) {
    if (f <= kId)
        m_userBoxes[f]->setText(text);
    else
        m_values[f]->setText(text);
}

QString Average::field(AverageField f) const {
    return f <= kId ? m_userBoxes[f]->text() : m_values[f]->text();
}

AverageFile Average::snapshot() const {
    AverageFile file;
    for (int f = 0; f < kAverageFieldCount; ++f)
        file.fields[f] = field(static_cast<AverageField>(f));
    file.rows = m_rows->list().rows;
    return file;
}

// ---------------------------------------------------------------- commands

bool Average::mayDiscard() {
    if (!m_unsaved || m_rows->list().rows.empty())
        return true;
    const dialogs::Message question{
        QStringLiteral("The averages have not been saved. Discard them?"),
        dialogs::Buttons::OkCancel,
        dialogs::Icon::Question,
        {}};
    return m_dialogs.message(this, question) == dialogs::Answer::Ok;
}

QString Average::unsavedWork() const {
    const std::size_t rows = m_rows->list().rows.size();
    if (!m_unsaved || rows == 0)
        return {};
    return QStringLiteral("Average: %1 averages%2")
        .arg(rows)
        .arg(m_state == RunState::Running ? QStringLiteral(" (still running)") : QString());
}

bool Average::saveUnsavedWork() {
    save();
    return !m_unsaved;
}

void Average::askInterval() {
    if (m_state == RunState::Running || m_state == RunState::Paused)
        return;
    for (;;) {
        const auto answer = m_dialogs.input(this, QStringLiteral("Enter interval\r\n (hh:nn:ss) "),
                                            QStringLiteral("Input Interval"), m_interval.text);
        if (!answer || answer->trimmed().isEmpty())
            return;
        if (const auto interval = parseIntervalAnswer(*answer)) {
            m_interval = *interval;
            return;
        }
        tell(kInvalidIntervalMessage, int(dialogs::Icon::Critical));
    }
}

void Average::save() {
    if (m_recording && m_recording()) {
        tell(QStringLiteral("The main window is recording to a file. Stop the recording "
                            "before saving the averages."),
             int(dialogs::Icon::Exclamation));
        return;
    }
    const auto chosen = m_dialogs.saveFile(this, QStringLiteral("Save As"), kAverageFilter);
    if (!chosen)
        return;
    QString path = chosen->path;
    const bool csv = chosen->writesAs(QStringLiteral("csv"));
    if (!csv && !path.endsWith(QLatin1String(".avg"), Qt::CaseInsensitive)) {
        // The file dialog asked about the name as typed, not about this one.
        path += QStringLiteral(".avg");
        if (QFileInfo::exists(path)) {
            const dialogs::Message question{
                QStringLiteral("%1 already exists. Replace it?").arg(path),
                dialogs::Buttons::OkCancel,
                dialogs::Icon::Question,
                {}};
            if (m_dialogs.message(this, question) != dialogs::Answer::Ok)
                return;
        }
    }
    // The rows as they are now; a run going on meanwhile does not change what is written.
    const AverageFile file = snapshot();
    const QByteArray bytes = csv ? averageCsvBytes(file, m_laeq) : averageFileBytes(file);
    if (const auto why = stored::saveBytes(path, bytes)) {
        tell(QStringLiteral("%1 could not be saved: %2").arg(path, *why),
             int(dialogs::Icon::Critical));
        return;
    }
    if (file.rows.size() == m_rows->list().rows.size())
        m_unsaved = false;
    if (!csv)
        emit saved(file, QFileInfo(path).fileName());
}

void Average::open() {
    if (m_state == RunState::Running || m_state == RunState::Paused || !mayDiscard())
        return;
    const auto path = m_dialogs.openFile(this, QStringLiteral("Open File"),
                                         QStringLiteral("Avg type[*.avg]|*.avg"));
    if (!path)
        return;
    const AverageFileRead read = readAverageFile(*path);
    if (!read.ok()) {
        tell(QStringLiteral("%1 could not be read: %2").arg(*path, read.error.text()),
             int(dialogs::Icon::Critical));
        return;
    }
    for (int f = 0; f < kAverageFieldCount; ++f)
        setField(static_cast<AverageField>(f), read.content->fields[f]);
    stored::LevelList list;
    list.rows = read.content->rows;
    std::vector<double> levels;
    for (const stored::LevelRow& row : list.rows)
        levels.push_back(plotLevel(row.level));
    m_rows->setList(std::move(list));
    m_Grid->scrollToTop();
    m_laeq.clear();
    m_Graph->setPoints(std::move(levels)); // all N, on x = 1 to N
    m_Text1->clear();
    m_TxtLaeq->clear();
    m_LblClamped->clear();
    m_unsaved = false;
    setRunState(m_state);
}

void Average::print() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    stored::ui::ListingPrinter::print(m_dialogs, this, averageListingLines(snapshot()));
    QApplication::restoreOverrideCursor();
}

void Average::tell(const QString& text, int icon) {
    m_dialogs.message(this, {text, dialogs::Buttons::Ok, static_cast<dialogs::Icon>(icon), {}});
}

void Average::closeEvent(QCloseEvent* event) {
    if (!mayDiscard()) {
        event->ignore();
        return;
    }
    m_Timer1.stop();
    m_state = RunState::Idle;
    emit closed();
    event->accept();
}

} // namespace nd::realtime::ui
