#pragma once

#include "Reading.h"

#include <QFile>
#include <QString>

#include <optional>

namespace nd::stored {

/// Records samples to a recording file (.dat flavour B), one line per sample, for the
/// main window and `noisedesk-cli record` alike. The file is created and its header
/// written before recording counts as started; each line goes to the system in one
/// unbuffered write as it is made, so a program killed mid-recording leaves every line
/// but at most the last one whole. Lines are numbered by sample, so a sample missed for
/// want of a fresh reading leaves a gap in the numbers. No timers: the caller decides
/// when a sample is due.
class Recorder {
public:
    static constexpr int kMaxSamples = 86400;

    /// What one sample did.
    enum class Step {
        Written,      ///< a line was written
        Missed,       ///< no fresh reading: nothing written, counted as missed
        Full,         ///< the line was written and it was the last one allowed; stopped
        LeftDba,      ///< the meter no longer shows dBA: nothing written; stopped
        WriteFailed,  ///< the line could not be written; stopped (see error())
        NotRecording, ///< nothing to do
    };

    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /// Creates (or replaces) the file and writes the header line; the error text when
    /// that failed, in which case nothing is recording.
    std::optional<QString> start(const QString& path);
    Step add(const QString& dateStamp, const QString& timeStamp, const Reading& reading);
    /// Closes the file; the counts stay until the next start.
    void stop();

    bool isRecording() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    /// Samples written (RecordCount).
    int recordCount() const { return m_recordCount; }
    int missedCount() const { return m_missed; }
    QString error() const { return m_error; }
    /// The count as shown beside "Recording": "12", or "12 (3 missed)".
    QString countText() const;

private:
    QFile m_file;
    QString m_path;
    QString m_error;
    int m_recordCount = 0;
    int m_missed = 0;
};

} // namespace nd::stored
