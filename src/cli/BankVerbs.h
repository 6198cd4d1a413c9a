#pragma once

#include "CliArgs.h"
#include "CliRunner.h"
#include "events/BankReader.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace nd::cli {

/// Puts the banks verb's options into the request: --bank N (1 to 5; all five when
/// empty), --out FILE (a .bnk in the toolbar layout), --json. The refusal, if any.
std::optional<QString> applyBankOptions(Request& request, const QString& bank, const QString& out,
                                        bool json);

/// Reads the banks (after one display read, which tells the bank the meter records
/// into), prints them and saves them when asked. kNoAnswer when a bank was unreadable.
int runBanks(const Request& request, RunContext& context);

/// One block per bank: "E1", then each row heading and the cell text as the window has it.
QString BanksText(const std::vector<events::BankResult>& results);
/// A list with one object per bank: bank, readable, rows (heading -> cell text); a bank
/// the meter was recording into also has "recording": true.
QByteArray BanksJson(const std::vector<events::BankResult>& results);

} // namespace nd::cli
