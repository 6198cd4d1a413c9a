#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace nd::link {
class Meter;
}

namespace nd::stored {

/// How long the meter may stay silent during one step of a transfer (a cell read, a
/// write and its read-back, the erase check) before the transfer ends with a message.
inline constexpr double kAnswerTimeout = 5.0;
/// Pause after each of the two writes of a 16-bit value.
inline constexpr double kWordWritePause = 0.5;

/// What a memory download brought back.
struct Download {
    bool ok = false;
    QString error;            ///< why it failed, for a person
    bool badPointers = false; ///< the meter answered, but with a pointer table that cannot be
    int setCount = 0;
    int dataEnd = 0;
    QByteArray cells;         ///< cells from 0 up (the dump without its lead byte)
    double dumpSeconds = 0.0; ///< from the "U" to the last byte, on the link's clock
};

/// The download as one exchange: the set count (cell 22), the end word of the pointer
/// table (or 768 with no set, clearing the memory-full flag as the meter expects), then
/// the "U" dump. Every read has a deadline; a read that failed ends the download, it
/// never goes on with a stale value. Runs on the link thread (or the CLI's only thread).
Download DownloadMemory(link::Meter& meter, double answerTimeout = kAnswerTimeout);

/// Writes a 16-bit value to two cells (high first, the meter's pauses between) and reads
/// both back. The value read back, or nothing when a read failed or the meter went silent.
std::optional<int> WriteWord(link::Meter& meter, int highCell, int lowCell, int value,
                             double answerTimeout = kAnswerTimeout);
std::optional<int> WriteIdCode(link::Meter& meter, int value,
                               double answerTimeout = kAnswerTimeout);
std::optional<int> WriteLogInterval(link::Meter& meter, int tenths,
                                    double answerTimeout = kAnswerTimeout);
/// Reads a 16-bit value; nothing when a read failed.
std::optional<int> ReadIdCode(link::Meter& meter, double answerTimeout = kAnswerTimeout);
std::optional<int> ReadLogInterval(link::Meter& meter, double answerTimeout = kAnswerTimeout);

/// "EEE", the erase pause, then the set count read back: true only when it was read and
/// is 0.
bool EraseLoggedMemory(link::Meter& meter, double answerTimeout = kAnswerTimeout);

/// What a typed value for the meter's ID code or logging interval asks for.
struct MeterValueInput {
    enum class Verdict { Nothing, Invalid, Value };
    Verdict verdict = Verdict::Nothing;
    int value = 0; ///< the ID code, or the interval in tenths
};

/// The ID code: empty, Cancel or 0 ask for nothing; whole numbers 1 to 65535 are taken;
/// anything else (a fraction, a sign, a letter, a larger number) is invalid.
MeterValueInput parseIdCodeInput(const std::optional<QString>& text);
/// The logging interval in seconds, 0.1 to 6553.5 with at most one decimal, as tenths.
MeterValueInput parseLogIntervalInput(const std::optional<QString>& text);

/// The texts of the Memory window's questions and answers.
namespace texts {
inline const QString kIdPrompt =
    QStringLiteral("Input ID Code from 1 to 65535 and press ENTER to confirm.\r\n"
                   "(1 <= t <= 65535 ) ");
inline const QString kIntervalPrompt =
    QStringLiteral("Input a sample interval time from 0.1 to 6553 seconds and press Enter to "
                   "confirm.\r\n(0.1 <= t <= 6553 ) ");
inline const QString kInputTitle = QStringLiteral("Input Sampling Time");
inline const QString kIdInvalid = QStringLiteral("Invalid, try again! 0 <= ID Code <= 65535.");
inline const QString kIntervalInvalid =
    QStringLiteral("Invalid, try again! 0.1 <= Interval <= 6553.5.");
inline const QString kWriteOk = QStringLiteral("Write OK !!!");
inline const QString kWriteFail = QStringLiteral("Write Fail !!!");
inline const QString kEraseQuestion = QStringLiteral("All the data in memory will be deleted!");
inline const QString kDeletedOk = QStringLiteral("Deleted OK !!!");
inline const QString kDeletedFail = QStringLiteral("Deleted Fail !!!");
inline const QString kKeyLocked = QStringLiteral("Key locked!");
} // namespace texts

} // namespace nd::stored
