#include "CommandParser.h"

namespace nd::sim {

namespace {
constexpr char kStatus = 'X';
constexpr char kDisplay = ' ';
constexpr char kRead = 'R';
constexpr char kWrite = 'W';
constexpr char kKeys = 'F';
constexpr char kDump = 'U';
constexpr char kErase = 'E';
constexpr int kEraseLength = 3; // "EEE"
} // namespace

int CommandParser::byteAt(int position) const {
    return static_cast<unsigned char>(m_partial.at(position));
}

int CommandParser::commandLength() const {
    switch (m_partial.front()) {
    case kStatus:
    case kDisplay:
    case kDump:
        return 1;
    case kKeys:
        return 2;
    case kRead:
        return 3;
    case kWrite:
        return 4;
    case kErase:
        // Only three E's in a row erase; anything else breaks the sequence at once.
        for (int i = 1; i < kEraseLength && i < m_partial.size(); ++i) {
            if (m_partial.at(i) != kErase)
                return 0;
        }
        return kEraseLength;
    default:
        return 0;
    }
}

MeterCommand CommandParser::decode() const {
    using Kind = MeterCommand::Kind;
    switch (m_partial.front()) {
    case kStatus:
        return {Kind::Status};
    case kDisplay:
        return {Kind::Display};
    case kDump:
        return {Kind::Dump};
    case kKeys:
        return {Kind::Keys, 0, byteAt(1)};
    case kRead:
        return {Kind::ReadCell, byteAt(1) + 256 * byteAt(2)};
    case kWrite:
        return {Kind::WriteCell, byteAt(1) + 256 * byteAt(2), byteAt(3)};
    default:
        return {Kind::Erase};
    }
}

std::vector<MeterCommand> CommandParser::feed(const QByteArray& bytes, double now) {
    if (!m_partial.isEmpty() && now - m_partialSince > kReceiveTimeout)
        m_partial.clear();
    const bool continuing = !m_partial.isEmpty();
    m_partial.append(bytes);

    std::vector<MeterCommand> commands;
    bool consumed = false;
    while (!m_partial.isEmpty()) {
        const int length = commandLength();
        if (length == 0) {
            m_partial.remove(0, 1);
            consumed = true;
            continue;
        }
        if (m_partial.size() < length)
            break;
        commands.push_back(decode());
        m_partial.remove(0, length);
        consumed = true;
    }
    if (consumed || !continuing)
        m_partialSince = now;
    return commands;
}

} // namespace nd::sim
