#include "Meter.h"

#include "Clock.h"
#include "MemoryMap.h"
#include "Port.h"

#include <cmath>

namespace nd::link {

bool FrameOk(const QByteArray& reply, int n) {
    if (reply.size() < n)
        return false;
    const QByteArray frame = LastBytes(reply, n);
    return frame.front() == kStx && frame.back() == kEtx;
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v & 0xFF));
    return out;
}

QByteArray LastBytes(const QByteArray& reply, int n) {
    return reply.size() <= n ? reply : reply.right(n);
}

namespace {
int byteAt(const QByteArray& bytes, int position) {
    return static_cast<unsigned char>(bytes.at(position));
}
} // namespace

Meter::Meter(Port& port, Clock& clock) : m_port(port), m_clock(clock) {}

void Meter::publish() {
    if (m_publish)
        m_publish(m_state);
}

void Meter::checkPort() {
    if (m_clock.interrupted())
        throw LinkStopped();
    if (m_port.hasFailed())
        throw PortLost();
    if (!m_port.isOpen())
        throw LinkStopped();
}

void Meter::Delay(double seconds) {
    m_clock.sleepFor(seconds);
    checkPort();
    if (m_deadline && m_clock.now() > *m_deadline)
        throw LinkTimeout();
    if (m_state.LinkBusy && m_yieldRequest && m_yieldRequest())
        throw LinkYield();
}

void Meter::WriteRaw(const QByteArray& data) {
    checkPort();
    if (!m_port.write(data))
        checkPort();
}

QByteArray Meter::ReadRaw() {
    QByteArray reply = m_port.readAll();
    checkPort();
    return reply;
}

bool Meter::readStatusFrame() {
    m_port.clearInput();
    ReadRaw();
    WriteRaw("X");
    Delay(pause::kStatus);
    const QByteArray reply = ReadRaw();
    if (!FrameOk(reply, kStatusReplyLength))
        return false;
    DecodeStatusByte(m_state, byteAt(LastBytes(reply, kStatusReplyLength), 1));
    return true;
}

void Meter::StatusPoll() {
    m_state.LinkBusy = true;
    m_state.LinkCaption = QStringLiteral("No COM");
    publish();
    for (;;) {
        while (!readStatusFrame()) {
        }
        // A meter that answers "X" but not "R" starts the status poll over here rather
        // than nesting another status poll inside this one.
        if (ReadCell(memory::kThresholdLevel, /*fallBack=*/false))
            break;
    }
    m_state.ThresholdText = QString::number(m_state.CellValue);
    m_state.StatusCheckPending = false;
    m_state.LinkCaption = m_portCaption;
    m_state.LinkBusy = false;
    publish();
}

bool Meter::ReadCell(int address) {
    return ReadCell(address, /*fallBack=*/true);
}

bool Meter::ReadCell(int address, bool fallBack) {
    const QByteArray command = Bytes({'R', address % 256, address / 256});
    int shortReplies = 0;
    int badFrames = 0;
    for (;;) {
        ReadRaw();
        WriteRaw(command);
        Delay(pause::kReadCell);
        const QByteArray reply = ReadRaw();
        if (reply.size() >= kCellReplyLength) {
            if (FrameOk(reply, kCellReplyLength)) {
                m_state.CellValue = byteAt(LastBytes(reply, kCellReplyLength), 1);
                return true;
            }
            if (++badFrames < bound::kReadCellBadFrames)
                continue;
        } else if (++shortReplies < bound::kReadCellShortReplies) {
            continue;
        }
        if (fallBack)
            StatusPoll();
        return false;
    }
}

bool Meter::ReadCellRaw(int address) {
    WriteRaw(Bytes({'R', address % 256, address / 256}));
    Delay(pause::kReadCell);
    const QByteArray reply = ReadRaw();
    if (FrameOk(reply, kCellReplyLength)) {
        m_state.CellChar = QString(QChar(byteAt(LastBytes(reply, kCellReplyLength), 1)));
        return true;
    }
    StatusPoll();
    return false;
}

bool Meter::WriteCell(double address, int data) {
    const long a = std::lround(address);
    if (a < 0 || a > memory::kLastAddress || data < 0 || data > 255)
        return false;
    WriteRaw(Bytes({'W', static_cast<int>(a % 256), static_cast<int>(a / 256), data}));
    Delay(pause::kWriteCell);
    return true;
}

void Meter::PressKey(int code) {
    WriteRaw(Bytes({'F', code}));
    Delay(pause::kKey);
    if (m_state.SettingUp)
        Delay(pause::kKeySettingUp);
}

void Meter::PressKeyQuick(int code) {
    WriteRaw(Bytes({'F', code}));
    Delay(pause::kKeyQuick);
    if (m_state.SettingUp)
        Delay(pause::kKeyQuick);
}

bool Meter::EnsureDbaMode() {
    int decoded = 0;
    int wrongLength = 0;
    for (;;) {
        ReadRaw();
        PressKey(keys::kMode);
        WriteRaw(" ");
        Delay(pause::kDisplay);
        const QByteArray reply = ReadRaw();
        if (reply.size() != kDisplayReplyLength) {
            if (++wrongLength < bound::kDbaBadReads)
                continue;
            StatusPoll();
            return false;
        }
        DecodeModeByte(m_state, byteAt(reply, 1));
        if (++decoded > bound::kDbaDecodedReads) {
            StatusPoll();
            return false;
        }
        if (m_state.DbaMode) {
            publish();
            return true;
        }
    }
}

void Meter::PollCycle() {
    if (m_state.StatusCheckPending)
        StatusPoll();
    int pollRetries = 0;
    Delay(pause::kPollSettle);
    for (;;) {
        WriteRaw(" ");
        Delay(pause::kPollDisplay);
        const QByteArray reply = ReadRaw();
        if (reply.size() < kDisplayReplyLength) {
            if (++pollRetries < bound::kPollShortReplies)
                continue;
            StatusPoll();
            return;
        }
        if (!FrameOk(reply, kDisplayReplyLength)) {
            StatusPoll();
            return;
        }
        applyDisplayFrame(LastBytes(reply, kDisplayReplyLength));
        ++m_state.PollCount;
        publish();
        return;
    }
}

void Meter::applyDisplayFrame(const QByteArray& frame) {
    MeterState& s = m_state;
    const int mode = byteAt(frame, 1);
    const int flags = byteAt(frame, 2);
    const int high = byteAt(frame, 3);
    const int low = byteAt(frame, 4);
    const int extra = byteAt(frame, 5);
    if (mode != s.LastModeByte) {
        DecodeModeByte(s, mode);
        s.LastModeByte = mode;
    }
    DecodeFlagByte(s, flags);
    s.LastFlagByte = flags;
    if (high != s.LastDigitsHigh || low != s.LastDigitsLow) {
        DecodeDisplayDigits(s, high, low);
        s.LastDigitsHigh = high;
        s.LastDigitsLow = low;
    }
    if (extra != s.LastExtraByte) {
        DecodeExtraByte(s, extra);
        s.LastExtraByte = extra;
    }
}

std::optional<QByteArray> Meter::DumpMemory(int expected) {
    QByteArray buffer;
    WriteRaw("U");
    Delay(pause::kDumpStart);
    double lastArrival = m_clock.now();
    for (;;) {
        const QByteArray chunk = ReadRaw();
        if (!chunk.isEmpty()) {
            buffer.append(chunk);
            lastArrival = m_clock.now();
        }
        if (buffer.size() >= expected) {
            WriteRaw("U");
            buffer.truncate(expected);
        }
        if (m_progress && expected > 0)
            m_progress(static_cast<int>(100.0 * static_cast<double>(buffer.size()) / expected));
        if (buffer.size() == expected)
            return buffer;
        if (m_clock.now() - lastArrival >= bound::kDumpSilence)
            return std::nullopt;
        // A short pause between reads instead of a tight loop: ten bytes arrive per 10 ms.
        Delay(bound::kDumpReadInterval);
    }
}

bool Meter::EraseMemory() {
    WriteRaw("EEE");
    Delay(pause::kErase);
    return ReadCell(memory::kSetCount);
}

int Meter::ReadWord(int highAddress, int lowAddress) {
    if (!ReadCell(highAddress))
        return -1;
    const int high = m_state.CellValue;
    if (!ReadCell(lowAddress))
        return -1;
    return memory::word(high, m_state.CellValue);
}

} // namespace nd::link
