#include "VirtualMeter.h"

#include "CommandParser.h"
#include "MeterModel.h"
#include "link/Meter.h"

#include <algorithm>
#include <limits>

namespace nd::sim {

namespace {
constexpr char kBadEtx = 0x04;
constexpr char kJunk[] = "AB";

QByteArray framed(int payload) {
    QByteArray out;
    out.append(link::kStx).append(static_cast<char>(payload)).append(link::kEtx);
    return out;
}

QByteArray shapeFrame(QByteArray frame, const Faults& faults) {
    if (faults.badFrames)
        frame.back() = kBadEtx;
    if (faults.shortReplies)
        frame.chop(1);
    if (faults.junkBeforeFrame)
        frame.prepend(kJunk);
    return frame;
}
} // namespace

struct VirtualMeter::Impl {
    explicit Impl(const Options& options)
        : model(options.seed, options.calendarStart, options.timeOrigin) {}

    Answer answer(const QByteArray& bytes, double now);
    void execute(const MeterCommand& command, double now, Answer& out);
    void send(const QByteArray& bytes, double now, Answer& out);
    void startDump(double now, Answer& out);
    void closeDump(double now, Answer& out);

    MeterModel model;
    CommandParser parser;
    Faults faults;
    /// When the meter's transmitter is free again: replies never overlap on the line.
    double lineFreeAt = -std::numeric_limits<double>::infinity();
    /// A dump was sent and the PC's closing "U" may still come.
    bool dumpOpen = false;
    double dumpEndsAt = 0.0;
};

VirtualMeter::Answer VirtualMeter::Impl::answer(const QByteArray& bytes, double now) {
    Answer out;
    if (faults.silent)
        return out; // a meter that is off hears nothing either
    for (const MeterCommand& command : parser.feed(bytes, now))
        execute(command, now, out);
    return out;
}

void VirtualMeter::Impl::execute(const MeterCommand& command, double now, Answer& out) {
    using Kind = MeterCommand::Kind;
    if (dumpOpen && now > dumpEndsAt + kDumpCloseGrace)
        dumpOpen = false;
    if (dumpOpen) {
        if (command.kind == Kind::Dump)
            return closeDump(now, out);
        if (now < dumpEndsAt)
            return; // busy sending its memory
    }
    switch (command.kind) {
    case Kind::Status:
        return send(shapeFrame(framed(model.statusByte()), faults), now, out);
    case Kind::Display:
        return send(shapeFrame(model.displayFrame(now), faults), now, out);
    case Kind::ReadCell:
        if (command.address == faults.deafCell)
            return;
        return send(shapeFrame(framed(model.cell(command.address)), faults), now, out);
    case Kind::WriteCell:
        return model.setCell(command.address, command.value);
    case Kind::Keys:
        if (faults.ignoreKeyCount > 0 && command.value == faults.ignoreKeyCode) {
            --faults.ignoreKeyCount;
            return;
        }
        return model.pressKeys(command.value, now);
    case Kind::Dump:
        return startDump(now, out);
    case Kind::Erase:
        return model.erase();
    }
}

void VirtualMeter::Impl::send(const QByteArray& bytes, double now, Answer& out) {
    const double start = std::max(now + kReplyLatency + faults.extraLatency, lineFreeAt);
    for (qsizetype k = 0; k < bytes.size(); ++k)
        out.bytes.push_back({start + static_cast<double>(k) * kByteTime, bytes.at(k)});
    lineFreeAt = start + static_cast<double>(bytes.size()) * kByteTime;
}

void VirtualMeter::Impl::startDump(double now, Answer& out) {
    QByteArray image = model.dumpImage();
    if (faults.dumpStopsAfter >= 0 && faults.dumpStopsAfter < image.size())
        image.truncate(faults.dumpStopsAfter);
    send(image, now, out);
    dumpOpen = true;
    dumpEndsAt = out.bytes.empty() ? now : out.bytes.back().at;
}

void VirtualMeter::Impl::closeDump(double now, Answer& out) {
    dumpOpen = false;
    if (now >= dumpEndsAt)
        return;
    out.cancelAfter = now;
    lineFreeAt = now;
}

VirtualMeter::VirtualMeter() : VirtualMeter(Options{}) {}

VirtualMeter::VirtualMeter(const Options& options) : m_impl(std::make_unique<Impl>(options)) {}

VirtualMeter::~VirtualMeter() = default;

std::vector<VirtualMeter::TimedByte> VirtualMeter::receive(const QByteArray& bytes, double now) {
    return answer(bytes, now).bytes;
}

VirtualMeter::Answer VirtualMeter::answer(const QByteArray& bytes, double now) {
    std::lock_guard lock(m_mutex);
    return m_impl->answer(bytes, now);
}

void VirtualMeter::setFaults(const Faults& faults) {
    std::lock_guard lock(m_mutex);
    m_impl->faults = faults;
}

Faults VirtualMeter::faults() const {
    std::lock_guard lock(m_mutex);
    return m_impl->faults;
}

int VirtualMeter::cell(int address) const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.cell(address);
}

void VirtualMeter::setCell(int address, int value) {
    std::lock_guard lock(m_mutex);
    m_impl->model.setCell(address, value);
}

void VirtualMeter::pressKeys(int code, double now) {
    std::lock_guard lock(m_mutex);
    m_impl->model.pressKeys(code, now);
}

QByteArray VirtualMeter::displayFrame(double now) {
    std::lock_guard lock(m_mutex);
    return m_impl->model.displayFrame(now);
}

int VirtualMeter::statusByte() const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.statusByte();
}

void VirtualMeter::setFixedLevel(double dB) {
    std::lock_guard lock(m_mutex);
    m_impl->model.setFixedLevel(dB);
}

void VirtualMeter::setKeyLocked(bool locked) {
    std::lock_guard lock(m_mutex);
    m_impl->model.setKeyLocked(locked);
}

void VirtualMeter::setBatteryLevel(int level) {
    std::lock_guard lock(m_mutex);
    m_impl->model.setBatteryLevel(level);
}

bool VirtualMeter::setDoseSettings(int criterionLevel, int exchangeRate) {
    std::lock_guard lock(m_mutex);
    return m_impl->model.setDoseSettings(criterionLevel, exchangeRate);
}

void VirtualMeter::setFastResponse(bool fast) {
    std::lock_guard lock(m_mutex);
    m_impl->model.setFastResponse(fast);
}

double VirtualMeter::level(double now) const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.level(now);
}

double VirtualMeter::dose(double now) {
    std::lock_guard lock(m_mutex);
    return m_impl->model.dose(now);
}

QDateTime VirtualMeter::calendarAt(double now) const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.calendarAt(now);
}

int VirtualMeter::loggedDataEnd() const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.loggedDataEnd();
}

int VirtualMeter::setupEntries() const {
    std::lock_guard lock(m_mutex);
    return m_impl->model.setupEntries();
}

} // namespace nd::sim
