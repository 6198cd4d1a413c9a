#include "RecordingControls.h"

#include "ClickableLabel.h"
#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace nd::panel {

namespace {
constexpr double kShortestInterval = 0.2;
constexpr double kLongestInterval = 60.0;
} // namespace

SampleIntervalAnswer parseSampleIntervalAnswer(const std::optional<QString>& text) {
    using V = SampleIntervalAnswer::Verdict;
    const QString t = text.value_or(QString()).trimmed();
    if (t.isEmpty())
        return {};
    static const QRegularExpression number(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!number.match(t).hasMatch())
        return {V::NotANumber, 0, {}};
    const double seconds = std::clamp(t.toDouble(), kShortestInterval, kLongestInterval);
    // Our schedule is exact, so the interval is ten times the seconds for every value.
    const auto tenths = static_cast<int>(std::lround(seconds * 10.0));
    return {V::Value, tenths, QString::number(tenths / 10.0) + QStringLiteral(" Sec")};
}

RecordingControls::RecordingControls(const Controls& controls, ProgramState& state,
                                     dialogs::Dialogs& dialogs, QWidget* window)
    : QObject(window), m_c(controls), m_state(state), m_dialogs(dialogs), m_window(window) {
    m_clock.start();
    connect(m_c.CmdSample, &QPushButton::clicked, this, &RecordingControls::changeSampleInterval);
    connect(m_c.LblPC, &ClickableLabel::clicked, this, &RecordingControls::changeSampleIntervalPt);
    connect(m_c.SSPanel22, &ClickableLabel::clicked, this, &RecordingControls::chooseFile);
    connect(m_c.MnuOpen, &QAction::triggered, this, &RecordingControls::chooseFile);
    connect(m_c.MnuStartRecording, &QAction::triggered, this, &RecordingControls::startRecording);
    connect(m_c.MnuStopRecording, &QAction::triggered, this, &RecordingControls::stopRecording);
}

void RecordingControls::attach(link::MeterLink* link) {
    m_link = link;
    if (m_link)
        connect(m_link, &link::MeterLink::stateChanged, this, &RecordingControls::observe);
}

double RecordingControls::monotonic() const {
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

void RecordingControls::observe(const link::MeterState& state) {
    m_fresh.observe(state, monotonic());
}

// ---------------------------------------------------------------- the interval

void RecordingControls::changeSampleInterval() {
    askInterval(texts::kSamplePrompt, texts::kSampleTitle, texts::kSampleNotANumber);
}

void RecordingControls::changeSampleIntervalPt() {
    askInterval(texts::kSamplePromptPt, texts::kSampleTitlePt, texts::kSampleNotANumberPt);
}

void RecordingControls::askInterval(const QString& prompt, const QString& title,
                                    const QString& notANumber) {
    const QString current = QString::number(m_state.SampleInterval / 10.0);
    const SampleIntervalAnswer answer =
        parseSampleIntervalAnswer(m_dialogs.input(m_window, prompt, title, current));
    switch (answer.verdict) {
    case SampleIntervalAnswer::Verdict::Nothing:
        return;
    case SampleIntervalAnswer::Verdict::NotANumber:
        m_dialogs.message(m_window,
                          {notANumber, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
        return;
    case SampleIntervalAnswer::Verdict::Value:
        m_state.SampleInterval = answer.tenths;
        m_c.LblSample->setText(answer.caption);
        return;
    }
}

// ---------------------------------------------------------------- the file

void RecordingControls::chooseFile() {
    const auto chosen = m_dialogs.saveFile(m_window, QStringLiteral("Save as"), texts::kDataFilter);
    if (!chosen) {
        m_state.FileChosen = false;
        return;
    }
    m_state.RecordFileName = chosen->path;
    m_state.FileChosen = true;
    m_c.SSPanel22->setText(chosen->path);
    // A recording under way keeps its own file; the new name is for the next one.
    m_c.MnuStartRecording->setEnabled(!m_state.Recording);
}

QString RecordingControls::activeFile() const {
    return m_recorder.isRecording() ? m_recorder.path() : QString();
}

// ---------------------------------------------------------------- start and stop

void RecordingControls::startRecording() {
    // A cancelled "Save as" leaves the menu and the last name as they were, and the
    // recording goes to that name.
    if (m_state.Recording || m_starting || m_state.RecordFileName.isEmpty() || !m_link)
        return;
    if (m_link->state().DbaMode) {
        beginRecording();
        return;
    }
    const dialogs::Message question{
        texts::kNotDba, dialogs::Buttons::OkCancel, dialogs::Icon::Question, {}};
    if (m_dialogs.message(m_window, question) != dialogs::Answer::Ok)
        return;
    m_starting = true;
    auto work = [](link::Meter& meter) {
        meter.EnsureDbaMode();
        meter.Delay(kRecordingCheckPause);
        meter.PollCycle();
    };
    QPointer<RecordingControls> self(this);
    auto done = [self](link::JobOutcome) {
        if (!self)
            return;
        self->m_starting = false;
        if (self->m_link->state().DbaMode) {
            self->beginRecording();
            return;
        }
        self->m_dialogs.message(
            self->m_window,
            {QStringLiteral("The meter did not switch to dBA; the recording did not start."),
             dialogs::Buttons::Ok,
             dialogs::Icon::Exclamation,
             {}});
    };
    m_link->submit({QStringLiteral("dBA before recording"), work, done, kRecordingCheckTimeLimit});
}

void RecordingControls::beginRecording() {
    // The file and its header come first: nothing counts as recording until they exist.
    if (const auto why = m_recorder.start(m_state.RecordFileName)) {
        m_dialogs.message(
            m_window,
            {QStringLiteral("%1 could not be created: %2").arg(m_state.RecordFileName, *why),
             dialogs::Buttons::Ok,
             dialogs::Icon::Critical,
             {}});
        return;
    }
    m_state.Recording = true;
    m_c.MnuStopRecording->setEnabled(true);
    m_c.MnuStartRecording->setEnabled(false);
    emit recordingChanged(true);
}

void RecordingControls::stopRecording() {
    endRecording({});
}

void RecordingControls::endRecording(const QString& why) {
    if (!m_state.Recording)
        return;
    const QString count = m_recorder.countText();
    m_recorder.stop();
    m_state.Recording = false;
    // A new "Save as" is needed before the next recording.
    m_c.MnuStopRecording->setEnabled(false);
    m_c.MnuStartRecording->setEnabled(false);
    m_c.LblRecording->hide();
    m_c.LblCount->clear();
    emit recordingEnded(m_recorder.path());
    emit recordingChanged(false);
    if (!why.isEmpty()) {
        m_dialogs.message(m_window, {QStringLiteral("The recording stopped: %1\r\nSamples "
                                                    "recorded: %2")
                                         .arg(why, count),
                                     dialogs::Buttons::Ok,
                                     dialogs::Icon::Exclamation,
                                     {}});
    }
}

void RecordingControls::sample(const SampleStamp& stamp) {
    const stored::Reading reading = m_fresh.at(QDateTime::currentDateTime(), monotonic());
    emit sampled(stamp, reading);
    if (!m_state.Recording)
        return;
    using Step = stored::Recorder::Step;
    switch (m_recorder.add(stamp.DateStamp, stamp.TimeStamp, reading)) {
    case Step::Written:
    case Step::Missed:
        m_c.LblRecording->setVisible(!m_c.LblRecording->isVisible());
        m_c.LblCount->setText(m_recorder.countText());
        return;
    case Step::Full:
        endRecording(QStringLiteral("the file holds 86400 samples, the most a recording takes."));
        return;
    case Step::LeftDba:
        endRecording(QStringLiteral("the meter left dBA mode."));
        return;
    case Step::WriteFailed:
        endRecording(QStringLiteral("%1 could not be written: %2")
                         .arg(m_recorder.path(), m_recorder.error()));
        return;
    case Step::NotRecording:
        return;
    }
}

} // namespace nd::panel
