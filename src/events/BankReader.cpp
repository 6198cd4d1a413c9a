#include "BankReader.h"

#include "link/MemoryMap.h"
#include "link/Meter.h"

namespace nd::events {

namespace mem = link::memory;

BankResult ReadBank(link::Meter& meter, int bank, bool allMode, const BankProgress& progress) {
    BankResult result;
    result.Bank = bank;
    meter.Delay(pause::kBeforeBank);
    meter.ReadCell(mem::kBankPrelude);
    const int start = mem::bankRecordStart(bank);
    for (int a = start; a < start + mem::kBankRecordSize; ++a) {
        if (progress)
            progress(allMode ? a - mem::bankRecordStart(mem::kFirstBank) : 5 * (a - start));
        // A failed read must not stand in for the byte: a used bank would decode as
        // unused and have its area cleared.
        if (!meter.ReadCellRaw(a)) {
            result.state = BankResult::State::Unreadable;
            result.Column = UnreadableColumn();
            return result;
        }
        result.BankData.append(static_cast<char>(meter.state().CellChar.at(0).unicode() & 0xFF));
    }
    result.Column = DecodeBank(result.BankData);
    if (!DecodeBankStatus(static_cast<unsigned char>(result.BankData.at(0))).Used) {
        for (int i = 1; i <= mem::kBankClearCells; ++i) {
            meter.WriteCell(mem::bankClearCell(bank, i), mem::kClearedCell);
            meter.Delay(pause::kAfterClearingWrite);
        }
    } else {
        meter.Delay(pause::kAfterUsedBank);
    }
    return result;
}

int RecordedBank(const link::MeterState& state, BankCommand command) {
    if (command == BankCommand::One)
        return state.Paused || state.Running ? state.BankNumber : 0;
    return state.Running ? state.BankNumber : 0;
}

QString RecordingWord(const link::MeterState& state, BankCommand command) {
    if (command == BankCommand::MenuAll)
        return state.Paused ? QStringLiteral("PAUSE") : QStringLiteral("RUN");
    return state.Paused ? QStringLiteral("Pause") : QStringLiteral("Running");
}

std::vector<BankResult> ReadBanks(link::Meter& meter, const std::vector<int>& banks,
                                  BankCommand command, const BankProgress& progress,
                                  const std::function<void(const BankResult&)>& onBank,
                                  const std::atomic<bool>* cancelled) {
    std::vector<BankResult> results;
    const bool allMode = command != BankCommand::One;
    for (int bank : banks) {
        if (cancelled && cancelled->load())
            break;
        BankResult result;
        const link::MeterState& state = meter.state();
        if (bank == RecordedBank(state, command)) {
            result.Bank = bank;
            result.state = BankResult::State::Recording;
            result.Column = MarkedColumn(RecordingWord(state, command));
        } else {
            result = ReadBank(meter, bank, allMode, progress);
        }
        if (onBank)
            onBank(result);
        results.push_back(std::move(result));
    }
    return results;
}

} // namespace nd::events
