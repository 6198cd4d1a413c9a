#pragma once

#include "stored/Csv.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace nd::cli {

enum class Command { Status, Read, Write, Key, Watch, Dump, Banks };

/// A command line that has been checked: nothing reaches the meter unless it parsed.
struct Request {
    Command command = Command::Status;
    int address = 0;
    int data = 0;
    int keyCode = 0;
    int count = 0; ///< watch: readings to show, 0 for no end
    bool csv = false;
    stored::CsvStyle csvStyle; ///< watch --csv: --delimiter, --decimal-comma
    QString file;
    int bank = 0; ///< banks: one bank, 0 for all five
    bool json = false;
};

struct ParseResult {
    std::optional<Request> request;
    QString error; ///< why the words were refused, when request is empty
};

/// Parses the words after the options: "status", "read ADDR", "write ADDR DATA",
/// "key CODE", "watch", "dump FILE", "banks".
ParseResult parseCommand(const QStringList& words, int count, bool csv);

/// A whole decimal number within [low, high]; nothing for anything else.
std::optional<int> parseNumber(const QString& text, int low, int high);

/// A calibrator reading of --cal-before or --cal-after into `value`: 0 to 200 dB, or empty
/// to clear it. False, with `value` untouched, for anything else.
bool parseCalibration(const QString& text, std::optional<double>& value);

/// The device for --port: a device path, "COM5", "COM  5" or a bare 1 to 16. A relative
/// path is made absolute, since the serial port would take a bare name as one in /dev.
QString deviceForPortOption(const QString& text);

/// The CSV style of --delimiter (each value given; one character, or "tab") and
/// --decimal-comma (whose delimiter is then ";" unless one is given); nothing, with the
/// reason in `why`, for a delimiter that cannot be one.
std::optional<stored::CsvStyle> parseCsvStyle(const QStringList& delimiters, bool decimalComma,
                                              QString& why);

} // namespace nd::cli
