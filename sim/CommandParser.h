#pragma once

#include <QByteArray>

#include <vector>

namespace nd::sim {

/// One command of the PC, complete with its raw bytes.
struct MeterCommand {
    enum class Kind { Status, Display, ReadCell, WriteCell, Keys, Dump, Erase };
    Kind kind = Kind::Status;
    int address = 0; ///< "R" and "W"
    int value = 0;   ///< data byte of "W", key code of "F"

    bool operator==(const MeterCommand&) const = default;
};

/// Splits the byte stream from the PC into commands. The bytes may arrive in any
/// pieces: a command and its raw bytes can straddle two reads. Bytes that start no
/// command are skipped, and a command left unfinished for longer than the meter's
/// receive time-out is dropped, so a lost byte cannot swallow the next command.
class CommandParser {
public:
    static constexpr double kReceiveTimeout = 0.5;

    /// Takes the bytes that arrived at `now`; returns the commands they complete.
    std::vector<MeterCommand> feed(const QByteArray& bytes, double now);

    /// Bytes held for an unfinished command.
    int pendingBytes() const { return static_cast<int>(m_partial.size()); }

private:
    /// Length of the command starting the buffer: 0 for a byte that starts none, -1 while
    /// too few bytes have arrived to tell.
    int commandLength() const;
    MeterCommand decode() const;
    int byteAt(int position) const;

    QByteArray m_partial;
    double m_partialSince = 0.0;
};

} // namespace nd::sim
