#pragma once

#include "BankDecoding.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <vector>

namespace nd::link {
class Meter;
struct MeterState;
} // namespace nd::link

namespace nd::events {

/// Pauses of a bank read, in seconds: before the read, and after a used bank.
namespace pause {
inline constexpr double kBeforeBank = 1.0;
inline constexpr double kAfterUsedBank = 0.5;
/// After each of the six clearing writes of an unused bank (the write's own pause aside).
inline constexpr double kAfterClearingWrite = 0.02;
} // namespace pause

/// How one bank came out.
struct BankResult {
    enum class State {
        Read,       ///< all 20 bytes arrived and were decoded
        Unreadable, ///< a read failed: nothing decoded, nothing written to the meter
        Recording,  ///< the meter is recording into it; not read
    };
    int Bank = 0;
    State state = State::Read;
    QByteArray BankData; ///< the bytes read (20 when Read)
    BankColumn Column;   ///< the texts the window shows
};

/// Progress in percent, reported before each cell read.
using BankProgress = std::function<void(int percent)>;

/// Reads bank 1 to 5 on the link thread: a pause, cell 101, the 20 cells one by one.
/// A bank that is not in use has its six cells in the meter's bank area cleared. With
/// `allMode` the progress runs 0 to 99 over five banks, else 0 to 95 for this one.
BankResult ReadBank(link::Meter& meter, int bank, bool allMode, const BankProgress& progress);

/// The command that asked for banks; it decides the rule for the bank being recorded
/// and the word shown in its place.
enum class BankCommand {
    MenuAll,  ///< "E1-E5" from the menu: "PAUSE" / "RUN"
    PanelAll, ///< "E1 - E5" from the bank panel: "Pause" / "Running"
    One,      ///< one bank from the menu, the panel or the grid: "Pause" / "Running"
};

/// The bank the meter is recording into, which must not be read; 0 when none. For all
/// banks the meter's bank counts while it runs; for one bank, while it runs or pauses.
int RecordedBank(const link::MeterState& state, BankCommand command);
/// The word shown in row 1 of the bank being recorded.
QString RecordingWord(const link::MeterState& state, BankCommand command);

/// Reads the given banks in order, skipping the one being recorded (judged from the
/// meter's last display read). `onBank` gets each result as it is ready; `cancelled`
/// stops before the next bank.
std::vector<BankResult> ReadBanks(link::Meter& meter, const std::vector<int>& banks,
                                  BankCommand command, const BankProgress& progress,
                                  const std::function<void(const BankResult&)>& onBank = {},
                                  const std::atomic<bool>* cancelled = nullptr);

} // namespace nd::events
