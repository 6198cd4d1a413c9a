#pragma once

#include "CliArgs.h"
#include "CliRunner.h"
#include "events/BankReader.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace nd::cli {

/// Puts the banks verb's options into the request: --bank N (each value given: at most
/// one, 1 to 5; all five when none), --out FILE (a .bnk in the toolbar layout), --json.
/// The refusal, if any.
std::optional<QString> applyBankOptions(Request& request, const QStringList& bank,
                                        const QString& out, bool json);

/// Reads the banks (after one display read, which tells the bank the meter records
/// into), prints them and saves them when asked: --out is checked before the read and
/// written only when every bank was read. kNoAnswer when a bank was unreadable; a
/// silent meter's exception passes on after the banks read so far are printed.
int runBanks(const Request& request, RunContext& context);

/// One block per bank: "E1", then each row heading and the cell text as the window has it.
QString BanksText(const std::vector<events::BankResult>& results);
/// A list with one object per bank: bank, readable, rows (heading -> the cell as a number,
/// null when empty, else its trimmed text) in the window's row order; a bank the meter
/// was recording into also has "recording": true.
QByteArray BanksJson(const std::vector<events::BankResult>& results);

} // namespace nd::cli
