#pragma once

#include "ProgramState.h"
#include "SampleSchedule.h"
#include "stored/Reading.h"
#include "stored/Recorder.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

class QAction;
class QLabel;
class QPushButton;
class QWidget;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link {
class MeterLink;
struct MeterState;
} // namespace nd::link

namespace nd::panel {

class ClickableLabel;

/// What a typed PC sampling interval asks for.
struct SampleIntervalAnswer {
    enum class Verdict { Nothing, NotANumber, Value };
    Verdict verdict = Verdict::Nothing;
    int tenths = 0;  ///< SampleInterval: 10 x the seconds, 2 to 600
    QString caption; ///< LblSample: the seconds taken, then " Sec"
};

/// Cancel or an empty answer changes nothing; text that is not a number is refused; a
/// number is clamped to 0.2 .. 60 s and rounded to tenths.
SampleIntervalAnswer parseSampleIntervalAnswer(const std::optional<QString>& text);

namespace texts {
inline const QString kSamplePrompt = QStringLiteral("Enter a value from .2 to 60 second\r\n");
inline const QString kSampleTitle = QStringLiteral("Dose Meter - Change sample rate");
inline const QString kSamplePromptPt =
    QStringLiteral("Digite o valor desejado, de 0.2 até 60 segundos");
inline const QString kSampleTitlePt = QStringLiteral("Alteração da taxa de amostragem");
inline const QString kSampleNotANumber =
    QStringLiteral("Enter a number of seconds from 0.2 to 60.");
/// The Portuguese dialog answers in its own language.
inline const QString kSampleNotANumberPt =
    QStringLiteral("Digite um número de segundos, de 0.2 até 60.");
inline const QString kNotDba = QStringLiteral("Not dBA mode, continue? ");
inline const QString kDataFilter = QStringLiteral("Data File[*.dat]|*.dat|All type[*.*]|*.*");
} // namespace texts

/// The main window's PC sampling interval and recording to file: the two interval
/// dialogs, "Save as", "Start Recording" and "Stop Recording", the blinking "Recording"
/// caption and the count. The file itself is written by stored::Recorder, the same code
/// as `noisedesk-cli record`. A sample due while the meter gives no fresh reading writes
/// no line and is counted as missed.
class RecordingControls final : public QObject {
    Q_OBJECT

public:
    /// The main window's controls this class drives.
    struct Controls {
        QPushButton* CmdSample;
        QLabel* LblSample;
        ClickableLabel* LblPC;
        ClickableLabel* SSPanel22;
        QLabel* LblRecording;
        QLabel* LblCount;
        QAction* MnuOpen;
        QAction* MnuStartRecording;
        QAction* MnuStopRecording;
    };

    RecordingControls(const Controls& controls, ProgramState& state, dialogs::Dialogs& dialogs,
                      QWidget* window);

    /// The link whose readings are recorded; set when the main window loads.
    void attach(link::MeterLink* link);
    /// A PC sample is due (the main window's sample schedule).
    void sample(const SampleStamp& stamp);

    void changeSampleInterval();
    void changeSampleIntervalPt();
    void chooseFile();
    void startRecording();
    void stopRecording();

    /// The file being recorded, empty when not recording.
    QString activeFile() const;
    const stored::Recorder& recorder() const { return m_recorder; }

signals:
    /// Every PC sample with its reading, Missing when the meter gave no fresh one: for
    /// the windows that collect samples (live list, graph, averages).
    void sampled(const nd::panel::SampleStamp& stamp, const nd::stored::Reading& reading);
    /// A recording ended (stopped, or ended by itself); its file is closed.
    void recordingEnded(const QString& path);
    /// A recording started (true) or ended (false).
    void recordingChanged(bool recording);

private:
    void askInterval(const QString& prompt, const QString& title, const QString& notANumber);
    void beginRecording();
    void endRecording(const QString& why);
    void observe(const link::MeterState& state);
    double monotonic() const;

    Controls m_c;
    ProgramState& m_state;
    dialogs::Dialogs& m_dialogs;
    QWidget* m_window;
    link::MeterLink* m_link = nullptr;
    stored::Recorder m_recorder;
    stored::FreshReading m_fresh;
    QElapsedTimer m_clock;
    bool m_starting = false;
};

/// Seconds the dBA check before a recording may take on a silent meter.
inline constexpr double kRecordingCheckTimeLimit = 10.0;
/// Pause before the fresh reading of that check.
inline constexpr double kRecordingCheckPause = 0.1;

} // namespace nd::panel
