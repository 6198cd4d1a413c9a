#pragma once

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace nd::sim {

/// Failures the program must survive; each can be switched on and off at any time.
struct Faults {
    bool silent = false;          ///< answers nothing at all
    bool badFrames = false;       ///< framed replies end with 0x04 instead of ETX
    bool shortReplies = false;    ///< framed replies lose their last byte
    bool junkBeforeFrame = false; ///< two stray bytes precede every framed reply
    double extraLatency = 0.0;    ///< seconds added before every reply (a slow meter)
    int dumpStopsAfter = -1;      ///< a "U" dump stops after this many bytes (-1: never)
    int deafCell = -1;            ///< reads of this cell get no answer (-1: none)
    int ignoreKeyCode = 0;        ///< the next ignoreKeyCount presses of this key are lost
    int ignoreKeyCount = 0;
};

/// A model of the meter, bound by its commands, replies, bytes and memory cells.
/// Time is given by the caller (seconds on any monotonic clock), so the same model runs
/// in virtual time for tests and in real time on a pseudo-terminal. Thread-safe.
class VirtualMeter {
public:
    struct Options {
        std::uint32_t seed = 1;
        QDateTime calendarStart = QDateTime::currentDateTime();
        double timeOrigin = 0.0; ///< the caller's clock reading that matches calendarStart
    };

    VirtualMeter();
    explicit VirtualMeter(const Options& options);
    ~VirtualMeter();

    /// A reply byte and the time it will have arrived at the PC.
    struct TimedByte {
        double at;
        char byte;
    };
    /// Bytes the PC sent at time `now`; returns the reply bytes with their arrival
    /// times (reply latency plus 9600-baud pacing), possibly none.
    std::vector<TimedByte> receive(const QByteArray& bytes, double now);

    /// What receive() returns, plus the one thing a transport must also know: a "U" that
    /// stops a dump in flight means the dump bytes due after `cancelAfter` never come.
    struct Answer {
        std::vector<TimedByte> bytes;
        std::optional<double> cancelAfter;
    };
    Answer answer(const QByteArray& bytes, double now);

    /// Time from the end of a command to the first byte of its reply, before faults.
    static constexpr double kReplyLatency = 0.005;
    /// One byte on the line: start bit, eight data bits, stop bit at 9600 baud.
    static constexpr double kByteTime = 10.0 / 9600.0;
    /// After the last byte of a dump the meter still takes a "U" as the PC's "stop",
    /// not as the start of another dump, for this long.
    static constexpr double kDumpCloseGrace = 1.0;

    void setFaults(const Faults& faults);
    Faults faults() const;

    // Direct access for tests and the command line.
    int cell(int address) const;
    void setCell(int address, int value);
    /// Presses keys as if on the meter itself (same codes as the "F" command).
    void pressKeys(int code, double now);
    /// The 7-byte display frame the meter would send at `now`.
    QByteArray displayFrame(double now);
    /// The status byte the meter would send.
    int statusByte() const;
    /// Replaces the simulated sound with a fixed level in dB (0 restores the simulation).
    void setFixedLevel(double dB);
    void setKeyLocked(bool locked);
    void setBatteryLevel(int level);

    /// Criterion level (80, 84, 85, 90) and exchange rate (3 to 6 dB), as the status
    /// byte reports them; false, with nothing changed, for other values.
    bool setDoseSettings(int criterionLevel, int exchangeRate);
    void setFastResponse(bool fast);
    /// The sound level in dB the meter hears at `now`.
    double level(double now) const;
    /// The noise dose in percent accumulated up to `now`.
    double dose(double now);
    /// The meter's own calendar at `now`.
    QDateTime calendarAt(double now) const;
    /// End of the logged data (the first free address), from cell 22 and the pointer table.
    int loggedDataEnd() const;
    /// How often the setup key (128) was pressed on an unlocked meter.
    int setupEntries() const;

private:
    struct Impl;
    mutable std::mutex m_mutex;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nd::sim
