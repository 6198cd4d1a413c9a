#include "BankVerbs.h"

#include "ArchiveVerbs.h"
#include "events/BankFile.h"
#include "link/Clock.h"
#include "link/Meter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nd::cli {

namespace {
/// Row headings are padded to this width in the text blocks.
constexpr int kHeadingWidth = 24;
} // namespace

std::optional<QString> applyBankOptions(Request& request, const QString& bank, const QString& out,
                                        bool json) {
    request.bank = 0;
    if (!bank.isEmpty()) {
        const auto n = parseNumber(bank, 1, events::kBankCount);
        if (!n)
            return QStringLiteral("--bank takes a bank number from 1 to 5");
        request.bank = *n;
    }
    request.file = out;
    request.json = json;
    return std::nullopt;
}

QString BanksText(const std::vector<events::BankResult>& results) {
    QString text;
    for (const events::BankResult& r : results) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("E%1\n").arg(r.Bank);
        for (int row = 1; row <= events::kBankRows; ++row) {
            const QString& cell = r.Column[static_cast<std::size_t>(row - 1)];
            const QString& heading = events::RowHeading(row);
            text += QStringLiteral("  ") +
                    (cell.isEmpty() ? heading : heading.leftJustified(kHeadingWidth) + cell) +
                    QLatin1Char('\n');
        }
    }
    return text;
}

QByteArray BanksJson(const std::vector<events::BankResult>& results) {
    QJsonArray list;
    for (const events::BankResult& r : results) {
        QJsonObject rows;
        for (int row = 1; row <= events::kBankRows; ++row)
            rows.insert(events::RowHeading(row), r.Column[static_cast<std::size_t>(row - 1)]);
        QJsonObject bank{{QStringLiteral("bank"), r.Bank},
                         {QStringLiteral("readable"), r.state == events::BankResult::State::Read},
                         {QStringLiteral("rows"), rows}};
        if (r.state == events::BankResult::State::Recording)
            bank.insert(QStringLiteral("recording"), true);
        list.append(bank);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Indented);
}

int runBanks(const Request& request, RunContext& c) {
    // Every wait checks the deadline; it moves on with each cell, so only a meter that
    // stays silent for the whole timeout ends the command.
    auto armDeadline = [&c] { c.meter.setDeadline(c.meter.clock().now() + c.timeout); };
    armDeadline();
    c.meter.state().StatusCheckPending = true;
    c.meter.PollCycle();

    const std::vector<int> banks =
        request.bank ? std::vector<int>{request.bank} : std::vector<int>{1, 2, 3, 4, 5};
    const auto command = request.bank ? events::BankCommand::One : events::BankCommand::MenuAll;
    int shown = -1;
    const auto results = events::ReadBanks(c.meter, banks, command, [&](int percent) {
        armDeadline();
        if (percent / 10 != shown / 10) {
            c.err << "\rreading banks " << percent << " %";
            c.err.flush();
        }
        shown = percent;
    });
    c.err << "\n";

    if (request.json)
        c.out << QString::fromUtf8(BanksJson(results));
    else
        c.out << BanksText(results);

    events::BankTable table;
    for (const events::BankResult& r : results)
        table.Banks.at(static_cast<std::size_t>(r.Bank - 1)) = r.Column;
    if (c.archive)
        c.archive->keepBanks(table,
                             request.file.isEmpty() ? QStringLiteral("banks")
                                                    : QFileInfo(request.file).fileName(),
                             c.err);
    if (!request.file.isEmpty()) {
        if (const auto error =
                events::SaveBankFile(request.file, table, events::BankLayout::Toolbar)) {
            c.err << "could not write " << request.file << ": " << *error << "\n";
            return kFileFailed;
        }
        c.err << "wrote " << request.file << "\n";
    }
    for (const events::BankResult& r : results) {
        if (r.state == events::BankResult::State::Unreadable) {
            c.err << "bank E" << r.Bank << " could not be read\n";
            return kNoAnswer;
        }
    }
    return kOk;
}

} // namespace nd::cli
