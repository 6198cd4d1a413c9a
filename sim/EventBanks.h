#pragma once

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <vector>

namespace nd::sim {

/// Everything the meter keeps about one finished dose measurement.
struct BankRun {
    int statusByte = 0; ///< the dose settings as the status byte reports them
    QDateTime start;
    QTime stop;
    double exposureSeconds = 0.0; ///< running time, pauses left out
    double dosePercent = 0.0;
    bool rms115 = false; ///< the level reached 115 dB
    bool peak = false;   ///< the level went above 140 dB
    QTime peakTime;      ///< when it first did
    double peakSeconds = 0.0;
    int threshold = 0;
};

/// The 20 bytes of a bank record as the meter stores them (status, BCD times, exposure,
/// dose count and scale, peak flag time and duration, threshold).
QByteArray EncodeBankRecord(const BankRun& run);

/// The meter's five dose event banks. A run is recorded into the bank shown when it
/// starts; the bank's cells are written when the run ends, so while it runs they still
/// hold the previous event.
class EventBanks {
public:
    void startRun(int bank, double now, const QDateTime& calendar, double doseSoFar);
    /// A stretch of measuring while running, from `at` for `seconds`.
    void observe(double dB, double seconds, double at);
    /// Writes the finished run into its bank's cells.
    void finishRun(std::vector<std::uint8_t>& memory, const QDateTime& calendar, int statusByte,
                   double doseSoFar, int threshold);
    /// The bank being recorded, 0 when no run is on.
    int recordingBank() const { return m_bank; }

    /// A few finished events, so a fresh virtual meter has banks to show: E1, E2 and E4
    /// in use, E3 and E5 free.
    static void fillSamples(std::vector<std::uint8_t>& memory);

private:
    static void store(std::vector<std::uint8_t>& memory, int bank, const QByteArray& record);

    int m_bank = 0;
    BankRun m_run;
    double m_startedAt = 0.0;
    double m_doseAtStart = 0.0;
    double m_firstPeakAt = -1.0;
};

} // namespace nd::sim
