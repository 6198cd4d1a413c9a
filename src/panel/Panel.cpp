#include "Panel.h"

#include "Analog.h"
#include "CellInput.h"
#include "ClickableLabel.h"
#include "DigitKeyFilter.h"
#include "Digital.h"
#include "MaxMin.h"
#include "PanelTexts.h"
#include "RecordingControls.h"
#include "WindowPlacement.h"
#include "dialogs/Dialogs.h"
#include "dialogs/UnsavedWork.h"
#include "events/FrmEvent.h"
#include "link/Clock.h"
#include "link/SerialPort.h"
#include "realtime/LiveFeed.h"
#include "realtime/ui/Average.h"
#include "realtime/ui/Plot.h"
#include "realtime/ui/RealTimeSLM.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"
#include "stored/ui/FileList.h"
#include "stored/ui/List.h"
#include "stored/ui/Memory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace nd::panel {

namespace {

const QString kNoCom = QStringLiteral("No COM");
const QString kOfflineMode = QStringLiteral("Offline Mode");
const QString kPanelCaption = QStringLiteral("Panel");

template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

QLabel* valuePanel(const QString& name, const QString& text = {}) {
    auto* label = named(new QLabel(text), name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(72);
    return label;
}

CaptionPanel* captionPanel(const QString& name, const QString& caption, QWidget* content) {
    auto* panel = named(new CaptionPanel(caption), name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addWidget(content);
    return panel;
}

void setPointSize(QWidget* widget, double factor, bool bold) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    widget->setFont(font);
}

QAction* menuItem(QWidget* owner, const QString& name, const QString& caption) {
    auto* action = named(new QAction(caption, owner), name);
    return action;
}

void addSeparator(QMenu* menu, const QString& name) {
    menu->addSeparator()->setObjectName(name);
}

} // namespace

Panel::Panel(dialogs::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs),
      m_programFolder(QCoreApplication::applicationDirPath()) {
    setObjectName(kPanelCaption);
    setWindowTitle(kPanelCaption);
    m_monotonic.start();
    m_sampleTimer.setSingleShot(true);
    m_sampleTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sampleTimer, &QTimer::timeout, this, &Panel::sampleTick);
    buildControls();
    buildMenus();
    connectControls();
    move(0, 0);
}

Panel::~Panel() {
    shutDown();
}

// ---------------------------------------------------------------- controls

void Panel::buildControls() {
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildValueRow());
    layout->addWidget(buildSettingsRow());
    layout->addWidget(buildSamplingRow());
    layout->addWidget(buildCommandRow());
    layout->addWidget(buildCellRow());
    setCentralWidget(central);
}

QWidget* Panel::buildValueRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* reading = new QWidget;
    auto* readingLayout = new QHBoxLayout(reading);
    m_LblValue = valuePanel(QStringLiteral("LblValue"));
    m_LblValue->setMinimumWidth(260);
    m_LblValue->setMinimumHeight(90);
    setPointSize(m_LblValue, 4.0, true);
    m_LblUnit = valuePanel(QStringLiteral("LblUnit"));
    setPointSize(m_LblUnit, 1.6, true);
    readingLayout->addWidget(m_LblValue, 1);
    readingLayout->addWidget(m_LblUnit);
    m_SSPanel7 = captionPanel(QStringLiteral("SSPanel7"), QStringLiteral("Value"), reading);
    layout->addWidget(m_SSPanel7, 1);

    auto* extremes = new QWidget;
    auto* extremesLayout = new QVBoxLayout(extremes);
    extremesLayout->setContentsMargins(0, 0, 0, 0);
    m_LblMax = valuePanel(QStringLiteral("LblMax"));
    m_LblMin = valuePanel(QStringLiteral("LblMin"));
    setPointSize(m_LblMax, 1.4, true);
    setPointSize(m_LblMin, 1.4, true);
    m_SSPanel9 = captionPanel(QStringLiteral("SSPanel9"), QStringLiteral("Maximum"), m_LblMax);
    m_SSPanel8 = captionPanel(QStringLiteral("SSPanel8"), QStringLiteral("Minimum"), m_LblMin);
    extremesLayout->addWidget(m_SSPanel9);
    extremesLayout->addWidget(m_SSPanel8);
    layout->addWidget(extremes);
    return row;
}

QWidget* Panel::buildSettingsRow() {
    auto* row = new QWidget;
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_LblCriterion = valuePanel(QStringLiteral("LblCriterion"));
    m_LblExchangeRate = valuePanel(QStringLiteral("LblExchangeRate"));
    m_LblTimeWeighting = valuePanel(QStringLiteral("LblTimeWeighting"));
    m_LblThreshold = valuePanel(QStringLiteral("LblThreshold"));
    m_LblRange = valuePanel(QStringLiteral("LblRange"), QStringLiteral("70 - 140"));
    m_LblTime = valuePanel(QStringLiteral("LblTime"));
    m_SSPanel10 = captionPanel(QStringLiteral("SSPanel10"), QStringLiteral("Criterion level"),
                               m_LblCriterion);
    m_SSPanel6 = captionPanel(QStringLiteral("SSPanel6"), QStringLiteral("Exchange rate"),
                              m_LblExchangeRate);
    m_SSPanel5 =
        captionPanel(QStringLiteral("SSPanel5"), QStringLiteral("Response"), m_LblTimeWeighting);
    m_SSPanel12 = captionPanel(QStringLiteral("SSPanel12"), QStringLiteral("Threshold level"),
                               m_LblThreshold);
    m_SSPanel11 = captionPanel(QStringLiteral("SSPanel11"), QStringLiteral("Range"), m_LblRange);
    m_SSPanel2 = captionPanel(QStringLiteral("SSPanel2"), QStringLiteral("Last Time"), m_LblTime);
    const QList<QWidget*> panels = {m_SSPanel10, m_SSPanel6,  m_SSPanel5,
                                    m_SSPanel12, m_SSPanel11, m_SSPanel2};
    for (int i = 0; i < panels.size(); ++i)
        layout->addWidget(panels[i], i / 3, i % 3);
    return row;
}

QWidget* Panel::buildSamplingRow() {
    auto* row = new QWidget;
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_LblCOM = named(new ClickableLabel(kNoCom), QStringLiteral("LblCOM"));
    m_LblCOM->setFrameShape(QFrame::StyledPanel);
    m_LblCOM->setAlignment(Qt::AlignCenter);
    m_LblCOM->setMinimumWidth(110);
    setPointSize(m_LblCOM, 1.0, true);
    m_CmdSample =
        named(new QPushButton(QStringLiteral("PC Sampling time")), QStringLiteral("CmdSample"));
    m_LblSample = valuePanel(QStringLiteral("LblSample"), QStringLiteral("2 Sec"));
    m_LblPC =
        named(new ClickableLabel(QStringLiteral("PC Sampling Time")), QStringLiteral("LblPC"));
    m_SSPanel22 = named(new ClickableLabel, QStringLiteral("SSPanel22"));
    m_SSPanel22->setMinimumWidth(200);
    m_SSPanel3 = captionPanel(QStringLiteral("SSPanel3"), QStringLiteral("File Name"), m_SSPanel22);
    m_LblRecording = valuePanel(QStringLiteral("LblRecording"), QStringLiteral("Recording"));
    m_LblRecording->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_LblRecording->hide();
    m_LblCount = named(new QLabel, QStringLiteral("LblCount"));
    m_LblCount->setMinimumWidth(60);

    layout->addWidget(m_LblCOM, 0, 0);
    layout->addWidget(m_CmdSample, 0, 1);
    layout->addWidget(m_LblSample, 0, 2);
    layout->addWidget(m_LblPC, 0, 3);
    layout->addWidget(m_SSPanel3, 1, 0, 1, 3);
    auto* recording = new QHBoxLayout;
    recording->addWidget(m_LblRecording);
    recording->addWidget(m_LblCount);
    layout->addLayout(recording, 1, 3);
    return row;
}

QWidget* Panel::buildCommandRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_CmdMemory = named(new QPushButton(QStringLiteral("Memory")), QStringLiteral("CmdMemory"));
    m_CmdAvg = named(new QPushButton(QStringLiteral("Average")), QStringLiteral("CmdAvg"));
    m_CmdGraph = named(new QPushButton(QStringLiteral("Graph")), QStringLiteral("CmdGraph"));
    m_CmdEvent = named(new QPushButton(QStringLiteral("Event")), QStringLiteral("CmdEvent"));
    m_cmdList = named(new QPushButton(QStringLiteral("List")), QStringLiteral("cmdList"));
    for (QPushButton* button : {m_CmdMemory, m_CmdAvg, m_CmdGraph, m_CmdEvent, m_cmdList})
        layout->addWidget(button);
    layout->addStretch();
    const QString reset = QStringLiteral("<-RESET->");
    m_ResetLbl = named(new ClickableLabel(reset), QStringLiteral("ResetLbl"));
    m_CmdReset = named(new QPushButton(reset), QStringLiteral("CmdReset"));
    m_LblReset = named(new ClickableLabel, QStringLiteral("LblReset"));
    m_LblReset->setMinimumWidth(16);
    layout->addWidget(m_ResetLbl);
    layout->addWidget(m_CmdReset);
    layout->addWidget(m_LblReset);
    return row;
}

QWidget* Panel::buildCellRow() {
    auto* row = new QWidget;
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_digitFilter = new DigitKeyFilter(this);
    auto box = [this](const QString& name) {
        auto* edit = named(new QLineEdit, name);
        edit->setMaximumWidth(90);
        m_digitFilter->guard(*edit);
        return edit;
    };
    m_Label1 = named(new QLabel(QStringLiteral("Add")), QStringLiteral("Label1"));
    m_TxtRAdd = box(QStringLiteral("TxtRAdd"));
    m_Label2 = named(new QLabel(QStringLiteral("Data")), QStringLiteral("Label2"));
    m_TxtRData = named(new QLineEdit, QStringLiteral("TxtRData"));
    m_TxtRData->setMaximumWidth(90);
    m_TxtRData->setReadOnly(true);
    m_CmdRead = named(new QPushButton(QStringLiteral("Read")), QStringLiteral("CmdRead"));
    m_Label3 = named(new QLabel(QStringLiteral("Add")), QStringLiteral("Label3"));
    m_TxtWAdd = box(QStringLiteral("TxtWAdd"));
    m_Label4 = named(new QLabel(QStringLiteral("Data")), QStringLiteral("Label4"));
    m_TxtWData = box(QStringLiteral("TxtWData"));
    m_CmdWrite = named(new QPushButton(QStringLiteral("Write")), QStringLiteral("CmdWrite"));

    const QList<QWidget*> readRow = {m_Label1, m_TxtRAdd, m_Label2, m_TxtRData, m_CmdRead};
    const QList<QWidget*> writeRow = {m_Label3, m_TxtWAdd, m_Label4, m_TxtWData, m_CmdWrite};
    for (int i = 0; i < readRow.size(); ++i) {
        layout->addWidget(readRow[i], 0, i);
        layout->addWidget(writeRow[i], 1, i);
    }
    layout->setColumnStretch(5, 1);
    return row;
}

// ---------------------------------------------------------------- menus

void Panel::buildMenus() {
    menuBar()->setNativeMenuBar(false);
    buildFileMenu();
    buildDisplayMenu();
    m_MnuEvents = menuItem(this, QStringLiteral("MnuEvents"), QStringLiteral("Events"));
    m_MnuJob = menuItem(this, QStringLiteral("MnuJob"), QStringLiteral("Average"));
    menuBar()->addAction(m_MnuEvents);
    menuBar()->addAction(m_MnuJob);
    QMenu* analysis =
        named(menuBar()->addMenu(QStringLiteral("Analysis")), QStringLiteral("MnuAnalysis"));
    QAction* assessment = analysis->addAction(QStringLiteral("Assessment…"));
    assessment->setObjectName(QStringLiteral("MnuAssessment"));
    connect(assessment, &QAction::triggered, this, &Panel::openAssessment);
    buildOptionAndHelpMenus();
    m_MnuSetmode = menuItem(this, QStringLiteral("MnuSetmode"), QStringLiteral("Set Mode"));
    m_MnuVer = menuItem(this, QStringLiteral("MnuVer"), versionText());
    m_MnuVer->setEnabled(false);
    menuBar()->addAction(m_MnuSetmode);
    menuBar()->addAction(m_MnuVer);
}

void Panel::buildFileMenu() {
    m_MnuFile = named(menuBar()->addMenu(QStringLiteral("File")), QStringLiteral("MnuFile"));
    m_MnuFile->menuAction()->setObjectName(QStringLiteral("MnuFile"));
    m_MnuOpen = m_MnuFile->addAction(QStringLiteral("Save as"));
    m_MnuOpen->setObjectName(QStringLiteral("MnuOpen"));
    addSeparator(m_MnuFile, QStringLiteral("No_op"));
    m_MnuStartRecording = m_MnuFile->addAction(QStringLiteral("Start Recording"));
    m_MnuStartRecording->setObjectName(QStringLiteral("MnuStartRecording"));
    m_MnuStartRecording->setEnabled(false);
    m_MnuStopRecording = m_MnuFile->addAction(QStringLiteral("Stop Recording"));
    m_MnuStopRecording->setObjectName(QStringLiteral("MnuStopRecording"));
    m_MnuStopRecording->setEnabled(false);
    addSeparator(m_MnuFile, QStringLiteral("No_op2"));
    m_MnuView = m_MnuFile->addAction(QStringLiteral("Open"));
    m_MnuView->setObjectName(QStringLiteral("MnuView"));
    addSeparator(m_MnuFile, QStringLiteral("No_op3"));
    m_MnuExit = m_MnuFile->addAction(QStringLiteral("Exit"));
    m_MnuExit->setObjectName(QStringLiteral("MnuExit"));
    buildArchiveItems();
}

void Panel::buildDisplayMenu() {
    m_MnuDisplay =
        named(menuBar()->addMenu(QStringLiteral("Display")), QStringLiteral("MnuDisplay"));
    m_MnuDisplay->menuAction()->setObjectName(QStringLiteral("MnuDisplay"));
    m_MnuList = m_MnuDisplay->addAction(QStringLiteral("List"));
    m_MnuList->setObjectName(QStringLiteral("MnuList"));
    m_MnuGraph = m_MnuDisplay->addAction(QStringLiteral("Graph"));
    m_MnuGraph->setObjectName(QStringLiteral("MnuGraph"));
    m_MnuAnalog = m_MnuDisplay->addAction(QStringLiteral("Analog"));
    m_MnuAnalog->setObjectName(QStringLiteral("MnuAnalog"));
    m_MnuDigital = m_MnuDisplay->addAction(QStringLiteral("Digital"));
    m_MnuDigital->setObjectName(QStringLiteral("MnuDigital"));
    addSeparator(m_MnuDisplay, QStringLiteral("mnuno"));
    m_MnuPanel = m_MnuDisplay->addAction(QStringLiteral("Control Panel"));
    m_MnuPanel->setObjectName(QStringLiteral("MnuPanel"));
}

void Panel::buildOptionAndHelpMenus() {
    m_MnuOption = named(menuBar()->addMenu(QStringLiteral("Option")), QStringLiteral("MnuOption"));
    m_MnuOption->menuAction()->setObjectName(QStringLiteral("MnuOption"));
    m_MnuTwa = m_MnuOption->addAction(QStringLiteral("TWA"));
    m_MnuTwa->setObjectName(QStringLiteral("MnuTwa"));
    m_MnuOnes = m_MnuOption->addAction(QStringLiteral("Occupational Noise Exposure Standard"));
    m_MnuOnes->setObjectName(QStringLiteral("MnuOnes"));

    m_MenuHelp = named(menuBar()->addMenu(QStringLiteral("Help")), QStringLiteral("MenuHelp"));
    m_MenuHelp->menuAction()->setObjectName(QStringLiteral("MenuHelp"));
    const QStringList captions = helpMenuCaptions();
    for (int i = 0; i < kHelpLanguages; ++i) {
        QAction* item = m_MenuHelp->addAction(captions[i]);
        item->setObjectName(QStringLiteral("MenuOpt(%1)").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { openHelp(i); });
        m_MenuOpt[static_cast<size_t>(i)] = item;
    }
}

void Panel::connectControls() {
    connect(m_LblCOM, &ClickableLabel::clicked, this, &Panel::toggleCaption);
    connect(m_CmdGraph, &QPushButton::clicked, this, &Panel::openGraph);
    connect(m_MnuGraph, &QAction::triggered, this, &Panel::openGraph);
    connect(m_cmdList, &QPushButton::clicked, this, &Panel::openList);
    connect(m_MnuList, &QAction::triggered, this, &Panel::openList);
    connect(m_MnuAnalog, &QAction::triggered, this, &Panel::openAnalog);
    connect(m_MnuDigital, &QAction::triggered, this, &Panel::openDigital);
    connect(m_CmdAvg, &QPushButton::clicked, this, &Panel::openAverage);
    connect(m_MnuJob, &QAction::triggered, this, &Panel::openAverage);
    connect(m_CmdEvent, &QPushButton::clicked, this, &Panel::openEvents);
    connect(m_MnuEvents, &QAction::triggered, this, &Panel::showEvents);
    connect(m_CmdReset, &QPushButton::clicked, this, &Panel::resetMaxMin);
    connect(m_ResetLbl, &ClickableLabel::clicked, this, &Panel::resetMaxMin);
    connect(m_LblReset, &ClickableLabel::clicked, this, &Panel::resetMaxMin);
    connect(m_CmdRead, &QPushButton::clicked, this, &Panel::readCell);
    connect(m_TxtRAdd, &QLineEdit::returnPressed, this, &Panel::readCell);
    connect(m_CmdWrite, &QPushButton::clicked, this, &Panel::writeCell);
    connect(m_TxtWData, &QLineEdit::returnPressed, this, &Panel::writeCell);
    connect(m_MnuTwa, &QAction::triggered, this, &Panel::showTwaNote);
    connect(m_MnuExit, &QAction::triggered, this, &Panel::close);
    connect(m_MnuView, &QAction::triggered, this, &Panel::openSavedFile);
    connect(m_CmdMemory, &QPushButton::clicked, this, &Panel::downloadMemory);
    connect(m_MnuSetmode, &QAction::triggered, this, &Panel::openSetup);
    connect(m_MnuOnes, &QAction::triggered, this, &Panel::openStandard);
    connect(m_MnuPanel, &QAction::triggered, this, &Panel::openKeypad);
    m_recording =
        new RecordingControls({m_CmdSample, m_LblSample, m_LblPC, m_SSPanel22, m_LblRecording,
                               m_LblCount, m_MnuOpen, m_MnuStartRecording, m_MnuStopRecording},
                              m_programState, m_dialogs, this);
    archiveFrom(m_recording);
    connect(m_SSPanel3, &CaptionPanel::clicked, m_recording, &RecordingControls::chooseFile);
    // A file cannot be opened while one is being recorded: the menu says so by being off.
    connect(m_recording, &RecordingControls::recordingChanged, m_MnuView,
            [this](bool recording) { m_MnuView->setEnabled(!recording); });
}

// ---------------------------------------------------------------- load and link

void Panel::loadDevice(const QString& device, const QString& linkCaption) {
    auto factory = [device] { return std::make_unique<link::SerialPort>(device); };
    load(factory, std::make_shared<link::RealClock>(), linkCaption);
}

void Panel::load(link::MeterLink::PortFactory factory, std::shared_ptr<link::Clock> clock,
                 const QString& linkCaption) {
    m_link = std::make_unique<link::MeterLink>(std::move(factory), std::move(clock), linkCaption);
    connect(m_link.get(), &link::MeterLink::opened, this,
            [this, linkCaption](const link::OpenResult& result) {
                if (result.ok())
                    setComCaption(linkCaption);
                linkOpened(result);
            });
    connect(m_link.get(), &link::MeterLink::stateChanged, this, &Panel::showState);
    m_programState = {};
    m_recording->attach(m_link.get());
    m_link->start();
}

void Panel::linkOpened(const link::OpenResult& result) {
    if (!result.ok()) {
        goOffline(result);
        return;
    }
    m_programState.Online = true;
    resumeSampling();
}

void Panel::goOffline(const link::OpenResult& result) {
    m_programState.Online = false;
    m_sampleTimer.stop();
    setComCaption(kOfflineMode);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_CmdSample, m_CmdMemory, m_CmdAvg, m_CmdGraph, m_CmdEvent,
                                         m_cmdList, m_SSPanel3, m_SSPanel22})
        control->setEnabled(false);
    for (QAction* menu :
         {m_MnuOpen, m_MnuDisplay->menuAction(), m_MnuEvents, m_MnuJob, m_MnuOnes, m_MnuSetmode})
        menu->setEnabled(false);
    QString text = QStringLiteral("No device available !");
    if (const QString why = result.explanation(); !why.isEmpty())
        text += QStringLiteral("\r\n\r\n") + why;
    m_dialogs.message(this, {text, dialogs::Buttons::Ok, dialogs::Icon::None, {}});
}

const link::MeterState& Panel::meterState() const {
    static const link::MeterState kNothingYet;
    return m_link ? m_link->state() : kNothingYet;
}

void Panel::showState(const link::MeterState& state) {
    if (!m_programState.Online)
        return;
    setComCaption(state.LinkCaption);
    showStatus(state);
    if (state.PollCount > 0)
        showReading(state);
}

void Panel::showStatus(const link::MeterState& state) {
    if (state.TimeWeightingText.isEmpty())
        return; // no status byte decoded yet
    m_LblCriterion->setText(QString::number(state.CriterionLevel));
    m_LblExchangeRate->setText(QString::number(state.ExchangeRate));
    m_LblTimeWeighting->setText(state.TimeWeightingText);
    m_LblThreshold->setText(state.ThresholdText);
}

void Panel::showReading(const link::MeterState& state) {
    // Only a decoded display frame makes a new value: a mode switch published on its own
    // carries the old mode's digits, which must not be shown (or sampled) under the new one.
    if (state.PollCount == m_lastPollCount)
        return;
    m_lastPollCount = state.PollCount;
    setValueStale(false);
    m_LblUnit->setText(state.DbaMode    ? QStringLiteral("dBA")
                       : state.DoseMode ? QStringLiteral("%DOSE")
                                        : QString());
    setValueCaption(link::DisplayValueText(state));
    if (state.DbaMode) {
        const MaxMin updated =
            UpdateMaxMin({m_LblMax->text(), m_LblMin->text()}, m_LblValue->text());
        m_LblMax->setText(updated.LblMax);
        m_LblMin->setText(updated.LblMin);
    }
}

void Panel::setComCaption(const QString& caption) {
    if (m_LblCOM->text() == caption)
        return;
    m_LblCOM->setText(caption);
    m_LblCOM->show();
    // The digits shown are the last the meter sent: dimmed until a new reading comes.
    if (caption == kNoCom)
        setValueStale(true);
    emit comCaptionChanged(caption);
}

void Panel::setValueStale(bool stale) {
    if (m_LblValue->property("stale").toBool() == stale)
        return;
    m_LblValue->setProperty("stale", stale);
    // Dimmed: half way from the text's colour to the background's.
    const QPalette normal = QApplication::palette(m_LblValue);
    const QColor text = normal.color(QPalette::WindowText);
    const QColor back = normal.color(QPalette::Window);
    QPalette palette = m_LblValue->palette();
    palette.setColor(QPalette::WindowText, stale ? QColor((text.red() + back.red()) / 2,
                                                          (text.green() + back.green()) / 2,
                                                          (text.blue() + back.blue()) / 2)
                                                 : text);
    m_LblValue->setPalette(palette);
    m_LblValue->setToolTip(stale ? QStringLiteral("The meter is not answering: this is its last "
                                                  "reading.")
                                 : QString());
}

void Panel::setValueCaption(const QString& text) {
    if (m_LblValue->text() == text)
        return;
    m_LblValue->setText(text);
    emit valueCaptionChanged(text);
}

void Panel::toggleCaption() {
    setWindowTitle(windowTitle() != kPanelCaption ? kPanelCaption : longCaption());
}

// ---------------------------------------------------------------- sample schedule

double Panel::monotonicSeconds() const {
    return static_cast<double>(m_monotonic.nsecsElapsed()) / 1e9;
}

void Panel::sampleTick() {
    m_schedule.setSampleInterval(m_programState.SampleInterval);
    if (const auto stamp = m_schedule.tick(monotonicSeconds(), QDateTime::currentDateTime())) {
        m_LblTime->setText(stamp->LblTime);
        emit sampleTaken(SampleLine(*stamp, m_LblValue->text()));
        m_recording->sample(*stamp);
    }
    armSampleTimer();
}

void Panel::armSampleTimer() {
    if (!m_programState.Online || m_sampleHeld || m_shutDown)
        return;
    const double wait = m_schedule.secondsUntilDue(monotonicSeconds());
    m_sampleTimer.start(static_cast<int>(std::ceil(wait * 1000.0)));
}

void Panel::holdSampling() {
    m_sampleHeld = true;
    m_sampleTimer.stop();
}

void Panel::resumeSampling() {
    m_sampleHeld = false;
    armSampleTimer();
}

// ---------------------------------------------------------------- commands

void Panel::openWithDbaCheck(Flag flag, double pause, std::function<void()> show) {
    if (m_programState.*flag || !m_link)
        return;
    if (m_dbaCheckRunning) {
        // Opened once the running check has ended, when the meter may already be in dBA.
        const bool queued = std::any_of(m_pendingOpens.begin(), m_pendingOpens.end(),
                                        [flag](const PendingOpen& p) { return p.flag == flag; });
        if (!queued)
            m_pendingOpens.push_back({flag, pause, std::move(show)});
        return;
    }
    if (meterState().DbaMode) {
        showWindow(flag, show);
        return;
    }
    const dialogs::Message question{QStringLiteral("Not dBA mode, continue? "),
                                    dialogs::Buttons::OkCancel,
                                    dialogs::Icon::Question,
                                    {}};
    const bool switchToDba = m_dialogs.message(this, question) == dialogs::Answer::Ok;
    m_dbaCheckRunning = true;
    holdSampling();
    auto work = [switchToDba, pause](link::Meter& meter) {
        if (switchToDba)
            meter.EnsureDbaMode();
        meter.Delay(pause);
        meter.PollCycle();
    };
    // Whatever happened on the line (a silent meter ends the job at its time limit), the
    // window opens and the sample schedule goes on.
    auto done = [this, flag, show = std::move(show)](link::JobOutcome) {
        m_dbaCheckRunning = false;
        if (m_shutDown)
            return;
        showWindow(flag, show);
        resumeSampling();
        openPendingWindows();
    };
    m_link->submit({QStringLiteral("dBA check"), work, done, kDbaCheckTimeLimit});
}

void Panel::showWindow(Flag flag, const std::function<void()>& show) {
    if (show)
        show();
    m_programState.*flag = true;
}

void Panel::openPendingWindows() {
    std::vector<PendingOpen> pending;
    pending.swap(m_pendingOpens);
    for (PendingOpen& request : pending)
        openWithDbaCheck(request.flag, request.pause, std::move(request.show));
}

void Panel::openGraph() {
    // A stopped chart is raised as it is; a new one opens after the dBA check.
    if (m_graph) {
        m_graph->raise();
        m_graph->activateWindow();
        return;
    }
    openWithDbaCheck(&ProgramState::GraphOpen, kGraphCheckPause, [this] { showGraph(); });
}

void Panel::openList() {
    if (m_list) {
        // A stopped list keeps its rows until saved; its own ReStart begins a new one.
        m_list->raise();
        m_list->activateWindow();
        return;
    }
    openWithDbaCheck(&ProgramState::ListRecording, kListCheckPause, [this] {
        m_list = new stored::ui::List(
            m_dialogs, [this] { return stored::ui::ExposurePanel::settingsOf(&meterState()); },
            this);
        m_list->setRecordingCheck([this] { return m_programState.Recording; });
        connect(m_recording, &RecordingControls::sampled, m_list,
                [list = m_list.data()](const SampleStamp& stamp, const stored::Reading& reading) {
                    list->addSample(stamp.DateStamp, stamp.TimeStamp, reading);
                });
        connect(m_list, &stored::ui::List::collectingChanged, this,
                [this](bool on) { m_programState.ListRecording = on; });
        PlaceWindow(*m_list, this);
        m_list->show();
    });
}

void Panel::openAnalog() {
    openWithDbaCheck(&ProgramState::AnalogOpen, kDisplayCheckPause, [this] {
        m_analog = new Analog(
            [this] {
                return ShownReading{m_LblValue->text(), m_LblUnit->text()};
            },
            this);
        connect(m_analog, &Analog::closed, this, [this] { m_programState.AnalogOpen = false; });
        m_analog->show();
    });
}

void Panel::openDigital() {
    openWithDbaCheck(&ProgramState::DigitalOpen, kDisplayCheckPause, [this] {
        m_digital = new Digital([this] { return m_LblValue->text(); }, this);
        connect(m_digital, &Digital::closed, this, [this] { m_programState.DigitalOpen = false; });
        m_digital->show();
    });
}

void Panel::openAverage() {
    if (m_programState.AverageOpen || m_averageSwitchRunning || !m_link)
        return;
    if (meterState().DbaMode) {
        showAverage();
        return;
    }
    // A second click while the switch runs must not press MODE round the cycle again.
    m_averageSwitchRunning = true;
    auto work = [](link::Meter& meter) { meter.EnsureDbaMode(); };
    auto done = [this](link::JobOutcome) {
        m_averageSwitchRunning = false;
        if (!m_shutDown)
            showAverage();
    };
    m_link->submit({QStringLiteral("dBA for averages"), work, done, kDbaCheckTimeLimit});
}

realtime::LiveFeed* Panel::liveFeed() {
    if (!m_liveFeed)
        m_liveFeed = new realtime::LiveFeed(*m_link, this);
    return m_liveFeed;
}

void Panel::showAverage() {
    m_average = new realtime::ui::Average(liveFeed()->source(), m_dialogs, this);
    m_average->setRecordingCheck([this] { return m_programState.Recording; });
    archiveFrom(m_average);
    connect(m_average, &realtime::ui::Average::closed, this,
            [this] { m_programState.AverageOpen = false; });
    PlaceWindow(*m_average, this);
    m_average->show();
    m_programState.AverageOpen = true;
}

void Panel::showGraph() {
    m_graph = new realtime::ui::RealTimeSLM(liveFeed()->source(), m_dialogs, this);
    connect(m_graph, &realtime::ui::RealTimeSLM::closed, this,
            [this] { m_programState.GraphOpen = false; });
    PlaceWindow(*m_graph, this);
    m_graph->show();
}

void Panel::openEvents() {
    if (meterState().KeyLocked) {
        m_dialogs.message(
            this,
            {QStringLiteral("Key locked!"), dialogs::Buttons::Ok, dialogs::Icon::Critical, {}});
        return;
    }
    showEvents();
}

void Panel::showEvents() {
    if (!m_link)
        return;
    if (!m_events) {
        m_events = new events::FrmEvent(*m_link, m_dialogs, this);
        m_events->adjustSize();
        PlaceWindow(*m_events, this);
        connect(m_events, &events::FrmEvent::closed, this, [this] { RememberPlace(*m_events); });
        archiveFrom(m_events);
    }
    m_events->show();
    m_events->raise();
}

void Panel::resetMaxMin() {
    if (!meterState().DbaMode)
        return;
    m_LblMax->setText(m_LblValue->text());
    m_LblMin->setText(m_LblValue->text());
}

void Panel::refuse(const QString& text) {
    m_dialogs.message(this, {text, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
}

void Panel::readCell() {
    const auto address = CellNumber(m_TxtRAdd->text(), kLastCellAddress);
    if (!address) {
        refuse(QStringLiteral("The address must be a number from 0 to %1.").arg(kLastCellAddress));
        return;
    }
    if (!m_link)
        return;
    // Written on the link thread before the job reports back, read only after that.
    // Empty when the read failed: the status poll it fell back to has overwritten the
    // cell value with the threshold's, which must not pass for this cell's contents.
    auto value = std::make_shared<std::optional<int>>();
    auto work = [address = *address, value](link::Meter& meter) {
        if (meter.ReadCell(address))
            *value = meter.state().CellValue;
    };
    auto done = [this, value, address = *address](link::JobOutcome outcome) {
        if (outcome != link::JobOutcome::Done)
            reportUnsent(outcome);
        else if (*value)
            m_TxtRData->setText(QString::number(**value));
        else
            refuse(QStringLiteral("The meter did not answer: cell %1 was not read.").arg(address));
    };
    m_link->submit({QStringLiteral("read cell"), work, done, kCellJobTimeLimit});
}

void Panel::writeCell() {
    const auto address = CellNumber(m_TxtWAdd->text(), kLastCellAddress);
    if (!address) {
        refuse(QStringLiteral("The address must be a number from 0 to %1.").arg(kLastCellAddress));
        return;
    }
    const auto value = CellNumber(m_TxtWData->text(), kLastCellData);
    if (!value) {
        refuse(QStringLiteral("The data must be a number from 0 to %1.").arg(kLastCellData));
        return;
    }
    if (!m_link)
        return;
    auto work = [address = *address, cellData = *value](link::Meter& meter) {
        meter.WriteCell(address, cellData);
    };
    m_link->submit({QStringLiteral("write cell"), work,
                    [this](link::JobOutcome outcome) { reportUnsent(outcome); },
                    kCellJobTimeLimit});
}

void Panel::reportUnsent(link::JobOutcome outcome) {
    if (outcome == link::JobOutcome::Done || m_shutDown)
        return;
    // Offline, the port went away or the meter stayed silent: say so rather than leave
    // the box as it was.
    if (!m_programState.Online)
        refuse(QStringLiteral("No device available !"));
    else if (outcome == link::JobOutcome::TimedOut)
        refuse(QStringLiteral("The meter did not answer; the command may not have reached it."));
    else
        refuse(QStringLiteral("The meter's port was lost; the command did not reach the meter."));
}

void Panel::showTwaNote() {
    m_dialogs.message(this, {twaNote(), dialogs::Buttons::Ok, dialogs::Icon::None, {}});
}

void Panel::openHelp(int index) {
    const QStringList candidates = helpDocumentCandidates(m_programFolder, index);
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path)) {
            if (!m_dialogs.openDocument(QUrl::fromLocalFile(path)))
                refuse(QStringLiteral("No program to show PDF documents was found. The help "
                                      "document is here:\r\n%1")
                           .arg(QDir::toNativeSeparators(path)));
            return;
        }
    }
    refuse(QStringLiteral("The help document was not found. It was looked for here:\r\n%1")
               .arg(candidates.join(QStringLiteral("\r\n"))));
}

// ---------------------------------------------------------------- shutdown

void Panel::closeEvent(QCloseEvent* event) {
    if (!m_shutDown && !dialogs::askBeforeEnding(m_dialogs, this)) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void Panel::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_sampleTimer.stop();
    if (m_link) {
        m_link->disconnect(this);
        m_link->stop();
    }
    // Deleted at once: their timers must not outlive the state they read.
    delete m_analog.data();
    delete m_digital.data();
    delete m_memory.data();
    delete m_events.data();
    delete m_average.data();
    delete m_graph.data();
    closeMeterWindows();
    // Every other window of the program goes too (the lists, saved files and what they
    // opened), without a question of its own: the program asked once, above.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            delete child;
    }
    emit programEnded();
}

} // namespace nd::panel
