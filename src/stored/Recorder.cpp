#include "Recorder.h"

#include "DataFile.h"

#include <cerrno>

namespace nd::stored {

namespace {

/// Writes the whole line; false when the system took less. A short write leaves Qt's
/// reason at "Unknown error"; the system's own ("No space left on device") is the errno
/// of the write that failed, tried once more for the rest when Qt did not.
bool writeLine(QFile& file, const QByteArray& line, QString& why) {
    errno = 0;
    const qint64 n = file.write(line);
    if (n == line.size())
        return true;
    int code = errno;
    if (code == 0 && n > 0) {
        if (file.write(line.mid(n)) == line.size() - n)
            return true;
        code = errno;
    }
    why = code != 0 ? qt_error_string(code) : file.errorString();
    return false;
}

} // namespace

std::optional<QString> Recorder::start(const QString& path) {
    stop();
    m_path = path;
    m_error.clear();
    m_recordCount = 0;
    m_missed = 0;
    m_file.setFileName(path);
    // Unbuffered: each write goes straight to the system, which keeps it if we die.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return m_error;
    }
    const QByteArray header = recordingHeaderLine();
    if (!writeLine(m_file, header, m_error)) {
        m_file.close();
        return m_error;
    }
    return std::nullopt;
}

Recorder::Step Recorder::add(const QString& dateStamp, const QString& timeStamp,
                             const Reading& reading) {
    if (!isRecording())
        return Step::NotRecording;
    if (reading.level.kind == LevelKind::Missing) {
        ++m_missed;
        return Step::Missed;
    }
    // The mode is checked before the line: a dose or a clock is never written as a level.
    if (reading.level.kind == LevelKind::NotLevel) {
        stop();
        return Step::LeftDba;
    }
    LevelRow row;
    // Numbered by sample, missed ones included: a gap in the numbers shows where the
    // meter did not answer.
    row.number = QString::number(m_recordCount + m_missed + 1);
    row.date = dateStamp;
    row.time = timeStamp;
    row.value = reading.text;
    const QByteArray line = recordingLine(row);
    if (!writeLine(m_file, line, m_error)) {
        stop();
        return Step::WriteFailed;
    }
    ++m_recordCount;
    if (m_recordCount >= kMaxSamples) {
        stop();
        return Step::Full;
    }
    return Step::Written;
}

void Recorder::stop() {
    if (m_file.isOpen())
        m_file.close();
}

QString Recorder::countText() const {
    if (m_missed == 0)
        return QString::number(m_recordCount);
    return QStringLiteral("%1 (%2 missed)").arg(m_recordCount).arg(m_missed);
}

} // namespace nd::stored
