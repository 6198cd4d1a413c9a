#pragma once

#include "MeterState.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <stdexcept>

namespace nd::link {

class Clock;
class Port;

/// An exchange was abandoned before it finished. The protocol routines never return
/// errors; they end by throwing one of these, which the link thread catches.
class LinkInterrupted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
/// The program is shutting down or the port was closed.
class LinkStopped : public LinkInterrupted {
public:
    LinkStopped() : LinkInterrupted("link stopped") {}
};
/// The serial device itself failed (unplugged adapter, hung-up line).
class PortLost : public LinkInterrupted {
public:
    PortLost() : LinkInterrupted("port lost") {}
};
/// Work was waiting while the meter did not answer; the status poll gives way to it.
class LinkYield : public LinkInterrupted {
public:
    LinkYield() : LinkInterrupted("work is waiting") {}
};
/// A caller's deadline passed while the meter did not answer.
class LinkTimeout : public LinkInterrupted {
public:
    LinkTimeout() : LinkInterrupted("meter did not answer") {}
};

/// Key codes of the meter; keys pressed together are the sum of their codes.
namespace keys {
inline constexpr int kMode = 1;
inline constexpr int kEvent = 2;
inline constexpr int kReset = 4;
inline constexpr int kClock = 8;
inline constexpr int kRunPause = 16;
inline constexpr int kEndRun = 32;
inline constexpr int kResume = 64;
inline constexpr int kSetup = 128;
} // namespace keys

/// Pauses of the protocol, in seconds. The meter needs them; they are never shortened.
namespace pause {
inline constexpr double kStatus = 0.05;
inline constexpr double kDisplay = 0.05;
inline constexpr double kPollSettle = 0.1;
inline constexpr double kPollDisplay = 0.1;
inline constexpr double kReadCell = 0.1;
inline constexpr double kWriteCell = 0.02;
inline constexpr double kKey = 0.3;
inline constexpr double kKeySettingUp = 1.2;
inline constexpr double kKeyQuick = 0.01;
inline constexpr double kDumpStart = 0.2;
inline constexpr double kErase = 5.0;
} // namespace pause

/// Bounds where the meter's own rules would retry for ever.
namespace bound {
/// Bad frames ReadCell accepts (besides its 100 short replies) before falling back.
inline constexpr int kReadCellBadFrames = 100;
/// Wrong-length display reads EnsureDbaMode accepts before falling back.
inline constexpr int kDbaBadReads = 100;
/// Short replies in one poll cycle before the status poll takes over.
inline constexpr int kPollShortReplies = 6;
/// ReadCell's short replies before the status poll takes over.
inline constexpr int kReadCellShortReplies = 100;
/// EnsureDbaMode's decoded reads.
inline constexpr int kDbaDecodedReads = 10;
/// A dump that receives nothing for this long has stopped.
inline constexpr double kDumpSilence = 3.0;
/// Pause between two reads of the dump stream.
inline constexpr double kDumpReadInterval = 0.01;
} // namespace bound

/// The meter's command protocol, written as the meter expects it: write, fixed pause,
/// one read, frame check on the last bytes. Blocks on the injected clock; meant to run
/// on the link thread (or a command-line tool's only thread).
class Meter {
public:
    using Publisher = std::function<void(const MeterState&)>;
    using Progress = std::function<void(int percent)>;

    Meter(Port& port, Clock& clock);

    MeterState& state() { return m_state; }
    Clock& clock() { return m_clock; }
    const MeterState& state() const { return m_state; }
    /// Called with the state whenever the windows should see a change.
    void setPublisher(Publisher publisher) { m_publish = std::move(publisher); }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    /// The link caption once the meter answers ("COM3").
    void setPortCaption(QString caption) { m_portCaption = std::move(caption); }
    /// Shows the windows the state as it is now (a job that changed it).
    void publishState() { publish(); }
    /// A job's progress, 0 to 100, for the window that started it.
    void reportProgress(int percent) {
        if (m_progress)
            m_progress(percent);
    }
    /// Absolute time (on the clock) after which every wait throws LinkTimeout.
    void setDeadline(std::optional<double> deadline) { m_deadline = deadline; }
    /// Asked at every wait of a status poll: true makes it give way (LinkYield).
    void setYieldRequest(std::function<bool()> request) { m_yieldRequest = std::move(request); }

    /// Sends "X" until the meter answers, then reads the threshold level. Ends only
    /// when the meter answers or the link stops (it is the reconnect mechanism).
    void StatusPoll();
    /// Into CellValue; false (CellValue unchanged) after falling back to StatusPoll.
    bool ReadCell(int address);
    /// One attempt into CellChar; false after falling back to StatusPoll.
    bool ReadCellRaw(int address);
    /// False, with nothing sent, when the address or the data is out of range.
    bool WriteCell(double address, int data);
    void PressKey(int code);
    void PressKeyQuick(int code);
    /// Presses MODE until the display shows dBA; false when it gave up.
    bool EnsureDbaMode();

    /// One cycle of the main poll: display read, frame check, decode, new reading.
    void PollCycle();
    /// Reads the logged memory with "U": `expected` bytes (the lead byte included).
    /// Returns nothing when the meter stops sending for bound::kDumpSilence.
    std::optional<QByteArray> DumpMemory(int expected);
    /// "EEE", the erase pause, then the set count read back into CellValue; false when
    /// that read failed (CellValue then says nothing about the erase).
    bool EraseMemory();

    /// A pause of the protocol; ends early only when the link is stopped.
    void Delay(double seconds);
    /// Writes raw bytes (the setup window sends some sequences of its own).
    void WriteRaw(const QByteArray& bytes);
    /// Reads everything waiting on the port.
    QByteArray ReadRaw();

    /// Reads a 16-bit value from two cells, high first; -1 when either read failed.
    int ReadWord(int highAddress, int lowAddress);

private:
    bool ReadCell(int address, bool fallBack);
    bool readStatusFrame();
    void applyDisplayFrame(const QByteArray& frame);
    void publish();
    void checkPort();

    Port& m_port;
    Clock& m_clock;
    MeterState m_state;
    Publisher m_publish;
    Progress m_progress;
    QString m_portCaption;
    std::optional<double> m_deadline;
    std::function<bool()> m_yieldRequest;
};

/// Raw bytes from values 0 to 255, as the "R", "W" and "F" commands are written.
QByteArray Bytes(std::initializer_list<int> values);
/// True when the last n bytes of a reply start with STX and end with ETX.
bool FrameOk(const QByteArray& reply, int n);
/// The last n bytes of a reply.
QByteArray LastBytes(const QByteArray& reply, int n);

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr int kStatusReplyLength = 3;
inline constexpr int kCellReplyLength = 3;
inline constexpr int kDisplayReplyLength = 7;

} // namespace nd::link
