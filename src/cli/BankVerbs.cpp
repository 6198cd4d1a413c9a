#include "BankVerbs.h"

#include "ArchiveVerbs.h"
#include "OutputCheck.h"
#include "events/BankFile.h"
#include "link/Clock.h"
#include "link/Meter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace nd::cli {

namespace {
/// Row headings are padded to this width in the text blocks.
constexpr int kHeadingWidth = 24;

QByteArray jsonString(const QString& text) {
    return QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}
} // namespace

std::optional<QString> applyBankOptions(Request& request, const QStringList& bank,
                                        const QString& out, bool json) {
    request.bank = 0;
    if (bank.size() > 1)
        return QStringLiteral("--bank is given once: one bank, or leave it out for all five");
    if (!bank.isEmpty()) {
        const auto n = parseNumber(bank.front(), 1, events::kBankCount);
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

namespace {

/// A cell as JSON: a number when it reads as one (a level's "dB" left off), null when
/// empty, else its trimmed text.
QByteArray cellJson(const QString& cell) {
    static const QRegularExpression number(QStringLiteral("^(-?[0-9]+(\\.[0-9]+)?)(dB)?$"));
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return "null";
    if (const auto m = number.match(text); m.hasMatch())
        return QJsonDocument(QJsonArray{m.captured(1).toDouble()})
            .toJson(QJsonDocument::Compact)
            .mid(1)
            .chopped(1);
    return jsonString(text);
}

} // namespace

QByteArray BanksJson(const std::vector<events::BankResult>& results) {
    // Written by hand so the rows keep the window's order (a QJsonObject sorts its keys).
    QByteArray json = "[";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const events::BankResult& r = results[i];
        json += i == 0 ? "\n" : ",\n";
        json += "    {\n        \"bank\": " + QByteArray::number(r.Bank) + ",\n";
        json += "        \"readable\": ";
        json += r.state == events::BankResult::State::Read ? "true" : "false";
        json += ",\n";
        if (r.state == events::BankResult::State::Recording)
            json += "        \"recording\": true,\n";
        json += "        \"rows\": {";
        for (int row = 1; row <= events::kBankRows; ++row) {
            json += row == 1 ? "\n" : ",\n";
            json += "            " + jsonString(events::RowHeading(row)) + ": " +
                    cellJson(r.Column[static_cast<std::size_t>(row - 1)]);
        }
        json += "\n        }\n    }";
    }
    json += results.empty() ? "]\n" : "\n]\n";
    return json;
}

int runBanks(const Request& request, RunContext& c) {
    // The file is checked before the read, which takes many seconds.
    if (!request.file.isEmpty()) {
        if (const auto why = cannotWrite(request.file)) {
            c.err << "could not write " << request.file << ": " << *why << "\n";
            return kFileFailed;
        }
    }
    // Every wait checks the deadline; it moves on with each cell, so only a meter that
    // stays silent for the whole timeout ends the command.
    auto armDeadline = [&c] { c.meter.setDeadline(c.meter.clock().now() + c.timeout); };
    armDeadline();
    c.meter.state().StatusCheckPending = true;
    c.meter.PollCycle();

    const std::vector<int> banks =
        request.bank ? std::vector<int>{request.bank} : std::vector<int>{1, 2, 3, 4, 5};
    const auto command = request.bank ? events::BankCommand::One : events::BankCommand::MenuAll;
    const auto print = [&](const std::vector<events::BankResult>& results) {
        if (request.json)
            c.out << QString::fromUtf8(BanksJson(results));
        else
            c.out << BanksText(results);
        c.out.flush();
    };
    const auto progress = progressPrinter(c.err, QStringLiteral("reading banks"));
    std::vector<events::BankResult> results;
    try {
        events::ReadBanks(
            c.meter, banks, command,
            [&](int percent) {
                armDeadline();
                progress(percent);
            },
            [&results](const events::BankResult& r) { results.push_back(r); });
    } catch (...) {
        // A meter gone silent or Ctrl+C: what was read is still shown; nothing is saved.
        endProgress(c.err);
        print(results);
        if (!request.file.isEmpty())
            c.err << request.file << " was not written: not every bank was read\n";
        throw;
    }
    endProgress(c.err);
    print(results);

    int unreadable = 0;
    for (const events::BankResult& r : results) {
        if (r.state == events::BankResult::State::Unreadable) {
            c.err << "bank E" << r.Bank << " could not be read\n";
            ++unreadable;
        }
    }
    if (unreadable > 0) {
        if (!request.file.isEmpty())
            c.err << request.file << " was not written: not every bank was read\n";
        return kNoAnswer;
    }

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
    return kOk;
}

} // namespace nd::cli
