#pragma once

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <memory>
#include <mutex>
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

private:
    struct Impl;
    mutable std::mutex m_mutex;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nd::sim
