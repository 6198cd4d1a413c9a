#include "EventBanks.h"

#include "DisplayFrame.h"
#include "MeterModel.h"
#include "link/MemoryMap.h"

#include <algorithm>
#include <cmath>

namespace nd::sim {

namespace mem = link::memory;

namespace {
constexpr int kRms115Bit = 0x20;
constexpr int kPeakBit = 0x40;
constexpr int kUsedBit = 0x80;
constexpr double kRmsFlagLevel = 115.0;
/// Dose scales: the stored count is the dose times 100, times 10 or as it is.
constexpr int kScaleHundredths = 0x64;
constexpr int kScaleTenths = 0x0A;
constexpr int kScaleWhole = 0x01;
constexpr int kNoPeakTime = 0xFF;

int wholeSeconds(double seconds) {
    return static_cast<int>(std::floor(seconds));
}
} // namespace

QByteArray EncodeBankRecord(const BankRun& run) {
    QByteArray r(mem::kBankRecordSize, '\0');
    auto put = [&r](int byte, int value) { r[byte - 1] = static_cast<char>(value & 0xFF); };
    put(1, run.statusByte | kUsedBit | (run.rms115 ? kRms115Bit : 0) | (run.peak ? kPeakBit : 0));
    put(2, toBcd(run.start.date().month()));
    put(3, toBcd(run.start.date().day()));
    put(4, toBcd(run.start.time().hour()));
    put(5, toBcd(run.start.time().minute()));
    put(6, toBcd(run.stop.hour()));
    put(7, toBcd(run.stop.minute()));
    const int exposure = wholeSeconds(run.exposureSeconds) / 60;
    put(8, std::min(exposure / 60, 255));
    put(9, exposure % 60);
    // The same steps as the display: hundredths below 100 %, tenths below 1000 %.
    int count = 0;
    int scale = kScaleWhole;
    if (run.dosePercent < 100.0) {
        count = static_cast<int>(std::lround(run.dosePercent * 100.0));
        scale = kScaleHundredths;
    } else if (run.dosePercent < 1000.0) {
        count = static_cast<int>(std::lround(run.dosePercent * 10.0));
        scale = kScaleTenths;
    } else {
        count = static_cast<int>(std::min(std::lround(run.dosePercent), 65535L));
    }
    put(10, mem::highByte(count));
    put(11, mem::lowByte(count));
    put(12, scale);
    if (run.peak) {
        put(16, toBcd(run.peakTime.hour()));
        put(17, toBcd(run.peakTime.minute()));
        const int peak = wholeSeconds(run.peakSeconds);
        put(18, std::min(peak / 60, 255));
        put(19, peak % 60);
    } else {
        put(16, kNoPeakTime);
        put(17, kNoPeakTime);
    }
    put(20, run.threshold);
    return r;
}

void EventBanks::startRun(int bank, double now, const QDateTime& calendar, double doseSoFar) {
    m_bank = bank;
    m_run = BankRun{};
    m_run.start = calendar;
    m_startedAt = now;
    m_doseAtStart = doseSoFar;
    m_firstPeakAt = -1.0;
}

void EventBanks::observe(double dB, double seconds, double at) {
    if (m_bank == 0)
        return;
    m_run.exposureSeconds += seconds;
    if (dB >= kRmsFlagLevel)
        m_run.rms115 = true;
    if (dB > kHighestShownLevel) {
        m_run.peak = true;
        m_run.peakSeconds += seconds;
        if (m_firstPeakAt < 0.0)
            m_firstPeakAt = at;
    }
}

void EventBanks::finishRun(std::vector<std::uint8_t>& memory, const QDateTime& calendar,
                           int statusByte, double doseSoFar, int threshold) {
    if (m_bank == 0)
        return;
    m_run.statusByte = statusByte;
    m_run.stop = calendar.time();
    m_run.dosePercent = doseSoFar - m_doseAtStart;
    m_run.threshold = threshold;
    if (m_run.peak)
        m_run.peakTime =
            m_run.start.addMSecs(std::llround((m_firstPeakAt - m_startedAt) * 1000.0)).time();
    store(memory, m_bank, EncodeBankRecord(m_run));
    m_bank = 0;
}

void EventBanks::store(std::vector<std::uint8_t>& memory, int bank, const QByteArray& record) {
    const auto first = static_cast<std::size_t>(mem::bankRecordStart(bank));
    for (qsizetype i = 0; i < record.size(); ++i)
        memory.at(first + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(record.at(i));
}

void EventBanks::fillSamples(std::vector<std::uint8_t>& memory) {
    BankRun shift;
    shift.statusByte = 0x0B; // 90 dB, 5 dB, Slow
    shift.start = QDateTime(QDate(2024, 3, 14), QTime(8, 0));
    shift.stop = QTime(16, 30);
    shift.exposureSeconds = 8.5 * 3600;
    shift.dosePercent = 123.4;
    shift.rms115 = true;
    shift.peak = true;
    shift.peakTime = QTime(11, 2);
    shift.peakSeconds = 3 * 60 + 7;
    shift.threshold = 80;
    store(memory, 1, EncodeBankRecord(shift));

    BankRun office;
    office.statusByte = 0x12; // 85 dB, 3 dB, Fast
    office.start = QDateTime(QDate(2024, 3, 14), QTime(17, 5));
    office.stop = QTime(18, 50);
    office.exposureSeconds = 105 * 60;
    office.dosePercent = 2.34;
    office.threshold = 80;
    store(memory, 2, EncodeBankRecord(office));

    BankRun workshop;
    workshop.statusByte = 0x04; // 80 dB, 4 dB, Slow
    workshop.start = QDateTime(QDate(2024, 3, 15), QTime(6, 45));
    workshop.stop = QTime(9, 15);
    workshop.exposureSeconds = 150 * 60;
    workshop.dosePercent = 1456.0;
    workshop.rms115 = true;
    workshop.threshold = 75;
    store(memory, 4, EncodeBankRecord(workshop));
}

void MeterModel::followRun(Run before, double now) {
    const bool wasStopped = before == Run::Stopped;
    if (wasStopped && m_run != Run::Stopped)
        m_events.startRun(m_bank, now, calendarAt(now), m_dose);
    else if (!wasStopped && m_run == Run::Stopped)
        m_events.finishRun(m_memory, calendarAt(now), statusByte(), m_dose,
                           cell(mem::kThresholdLevel));
}

int MeterModel::recordingBank() const {
    return m_events.recordingBank();
}

} // namespace nd::sim
