#include "CliArgs.h"

#include "link/MemoryMap.h"
#include "link/PortNames.h"

#include <QDir>
#include <QRegularExpression>

namespace nd::cli {

std::optional<int> parseNumber(const QString& text, int low, int high) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool parseCalibration(const QString& text, std::optional<double>& value) {
    if (text.isEmpty()) {
        value.reset();
        return true;
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0 || v > 200)
        return false;
    value = v;
    return true;
}

namespace {

ParseResult refuse(const QString& why) {
    return {std::nullopt, why};
}

ParseResult expectArguments(const QStringList& words, int wanted, const QString& usage) {
    if (words.size() - 1 != wanted)
        return refuse(QStringLiteral("usage: %1").arg(usage));
    return {Request{}, {}};
}

} // namespace

ParseResult parseCommand(const QStringList& words, int count, bool csv) {
    if (words.isEmpty())
        return refuse(QStringLiteral("no command given"));
    const QString& name = words.front();
    Request request;
    const auto address = [&](int i) {
        return parseNumber(words.value(i), 0, link::memory::kLastAddress);
    };
    if (name == QLatin1String("status")) {
        if (auto r = expectArguments(words, 0, "status"); !r.request)
            return r;
        request.command = Command::Status;
    } else if (name == QLatin1String("read")) {
        if (auto r = expectArguments(words, 1, "read ADDR"); !r.request)
            return r;
        const auto a = address(1);
        if (!a)
            return refuse(QStringLiteral("the address must be a number from 0 to 65535"));
        request.command = Command::Read;
        request.address = *a;
    } else if (name == QLatin1String("write")) {
        if (auto r = expectArguments(words, 2, "write ADDR DATA"); !r.request)
            return r;
        const auto a = address(1);
        const auto d = parseNumber(words.value(2), 0, 255);
        if (!a)
            return refuse(QStringLiteral("the address must be a number from 0 to 65535"));
        if (!d)
            return refuse(QStringLiteral("the data must be a number from 0 to 255"));
        request.command = Command::Write;
        request.address = *a;
        request.data = *d;
    } else if (name == QLatin1String("key")) {
        if (auto r = expectArguments(words, 1, "key CODE"); !r.request)
            return r;
        const auto code = parseNumber(words.value(1), 1, 255);
        if (!code)
            return refuse(QStringLiteral("the key code must be a number from 1 to 255"));
        request.command = Command::Key;
        request.keyCode = *code;
    } else if (name == QLatin1String("watch")) {
        if (auto r = expectArguments(words, 0, "watch"); !r.request)
            return r;
        request.command = Command::Watch;
    } else if (name == QLatin1String("dump")) {
        if (auto r = expectArguments(words, 1, "dump FILE"); !r.request)
            return r;
        request.command = Command::Dump;
        request.file = words.value(1);
    } else if (name == QLatin1String("banks")) {
        if (auto r = expectArguments(words, 0, "banks [--bank N] [--out FILE.bnk] [--json]");
            !r.request)
            return r;
        request.command = Command::Banks;
    } else {
        return refuse(QStringLiteral("unknown command: %1").arg(name));
    }
    request.count = count;
    request.csv = csv;
    return {request, {}};
}

QString deviceForPortOption(const QString& text) {
    if (const auto n = parseNumber(text, link::kFirstComPort, link::kLastComPort))
        return link::deviceForComNumber(*n);
    static const QRegularExpression com(QStringLiteral("^COM *([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const auto match = com.match(text); match.hasMatch())
        return link::deviceForComNumber(match.captured(1).toInt());
    if (text.isEmpty() || QDir::isAbsolutePath(text))
        return text;
    return QDir::current().absoluteFilePath(text);
}

std::optional<stored::CsvStyle> parseCsvStyle(const QStringList& delimiters, bool decimalComma,
                                              QString& why) {
    stored::CsvStyle style;
    style.decimalComma = decimalComma;
    if (delimiters.isEmpty()) {
        style.delimiter = decimalComma ? u';' : u',';
        return style;
    }
    const QString text = delimiters.back();
    if (delimiters.size() > 1) {
        why = QStringLiteral("--delimiter is given more than once");
        return std::nullopt;
    }
    if (text == QLatin1String("tab") || text == QLatin1String("\\t"))
        style.delimiter = u'\t';
    else if (text.size() == 1)
        style.delimiter = text.front();
    static const QString kRefused = QStringLiteral("\"\r\n.0123456789-:/ ");
    if ((text.size() != 1 && style.delimiter != u'\t') || kRefused.contains(style.delimiter) ||
        style.delimiter.isLetter()) {
        why = QStringLiteral("--delimiter takes one character such as ; or |, or \"tab\"");
        return std::nullopt;
    }
    if (decimalComma && style.delimiter == u',') {
        why = QStringLiteral("--decimal-comma needs a delimiter other than the comma");
        return std::nullopt;
    }
    return style;
}

} // namespace nd::cli
