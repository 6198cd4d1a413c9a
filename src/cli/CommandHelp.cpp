#include "CommandHelp.h"

#include <array>

namespace nd::cli {

namespace {

struct CommandText {
    const char* name;
    bool needsMeter;
    const char* usage;   ///< the words after the command's name
    const char* summary; ///< the lines of the command list, without the usage
    const char* details; ///< what `COMMAND --help` adds: options and remarks
};

// clang-format off
const std::array<CommandText, 20> kCommands = {{
    {"status", true, "", "the meter's criterion level, exchange rate, response, threshold", ""},
    {"read", true, "ADDR", "the value of memory cell ADDR (0 to 65535)", ""},
    {"write", true, "ADDR DATA", "writes DATA (0 to 255) to cell ADDR",
     "The meter does not confirm writes: read the cell back.\n"},
    {"key", true, "CODE", "presses keys (1 MODE, 2 EVENT, 4 RESET, 8 CLOCK, 16 RUN/PAUSE, ...)",
     "32 ends a run, 64 resumes one; a sum presses keys together.\n"},
    {"watch", true, "[--count N] [--csv]", "one line per display read: date, time, reading, unit",
     "  --count N           stop after N readings (without it, Ctrl+C ends the watch)\n"
     "  --csv               comma-separated lines with an ISO 8601 date\n"
     "  --delimiter C       with --csv: the field delimiter (one character, or \"tab\")\n"
     "  --decimal-comma     with --csv: decimal commas; the delimiter is then \";\"\n"},
    {"dump", true, "FILE", "saves the meter's logged memory image to FILE", ""},
    {"setup", true,
     "[--criterion DB] [--threshold DB] [--exchange DB] [--weighting fast|slow]\n"
     "        [--clock now|\"YYYY-MM-DD HH:MM\"] [--standard COUNTRY]",
     "changes the meter's settings through its setup mode",
     "  --criterion DB      criterion level: 80, 84, 85 or 90\n"
     "  --threshold DB      threshold level: 70 to 90, not above the criterion level\n"
     "  --exchange DB       exchange rate: 3, 4, 5 or 6\n"
     "  --weighting W       time weighting: fast or slow\n"
     "  --clock WHEN        the meter's clock: now, or \"YYYY-MM-DD HH:MM\"\n"
     "  --standard COUNTRY  a country's criterion level and exchange rate (e.g. U.K, Sweden);\n"
     "                      not together with --criterion or --exchange\n"
     "At least one is needed.\n"},
    {"banks", true, "[--bank N] [--out FILE.bnk] [--json]", "the five dose event banks",
     "  --bank N            read bank N only (1 to 5)\n"
     "  --out FILE.bnk      also save the banks (toolbar layout); checked before the read, and\n"
     "                      not written when a bank could not be read\n"
     "  --json              a list of objects: bank, readable, rows (in the window's order)\n"
     "  --no-archive        do not keep what is read in the archive (--archive PATH_OR_URL\n"
     "                      names another archive)\n"},
    {"download", true, "DIR [--raw FILE]",
     "downloads the logged data sets, one .dat file each (--raw FILE\n"
     "                    also keeps the memory image)",
     "  --raw FILE          also save the memory image to FILE\n"
     "DIR is made when missing, and checked before the meter is read.\n"
     "  --no-archive        do not keep what is read in the archive (--archive PATH_OR_URL\n"
     "                      names another archive)\n"},
    {"erase", true, "--yes", "erases the meter's logged memory",
     "  --yes               yes, erase it; without it nothing happens\n"},
    {"id", true, "[VALUE]", "reads, or writes and reads back, the ID code (1 to 65535)", ""},
    {"interval", true, "[S]",
     "reads, or writes and reads back, the logging interval (0.1 to 6553.5)", ""},
    {"export", false, "FILE.dat|FILE.avg [--csv]",
     "prints a .dat or .avg file as a listing, or as CSV with --csv (no meter needed)",
     "  --csv               RFC 4180 CSV with ISO 8601 dates\n"
     "  --delimiter C       with --csv: the field delimiter (one character, or \"tab\")\n"
     "  --decimal-comma     with --csv: decimal commas; the delimiter is then \";\"\n"},
    {"record", true, "FILE --interval S [--count N]",
     "records the reading every S seconds to FILE, as the main window does",
     "  --interval S        seconds between samples: 0.2 to 3600, one decimal at most\n"
     "  --count N           stop after N samples (written or missed)\n"
     "  --no-archive        do not keep what is read in the archive (--archive PATH_OR_URL\n"
     "                      names another archive)\n"},
    {"average", false,
     "FILE.dat --interval HH:MM:SS [--json] [--out FILE.avg]",
     "the interval averages of a recording (no meter needed)",
     "  --interval HH:MM:SS the length of an interval, 00:00:01 to 23:59:59\n"
     "  --json              a list of objects: end, mean, mean_text, laeq, samples\n"
     "  --out FILE.avg      also write an interval average file (\".avg\" added when missing)\n"
     "  --job TEXT, --name TEXT, --id TEXT\n"
     "                      with --out: the file's JOB, Name and ID fields\n"},
    {"stats", false, "FILE.dat [--standard S] [--json]",
     "LAeq, levels, dose, TWA and LEX,8h of a .dat file (no meter needed)",
     "  --standard S        osha-pel (the default), osha-hc, niosh, iso or meter\n"
     "  --criterion DB, --exchange DB [--threshold DB]\n"
     "                      with --standard meter: the meter's settings\n"
     "  --json              one object; figures that cannot be given are null\n"},
    {"histogram", false, "FILE.dat [--resolution 1|0.1] [--csv|--json]",
     "the non-empty level bins of a .dat file",
     "  --resolution R      1 (1 dB bins, the default) or 0.1\n"
     "  --csv               a \"dBA,count\" heading and comma-separated lines\n"
     "  --delimiter C       with --csv: the field delimiter (one character, or \"tab\")\n"
     "  --decimal-comma     with --csv: decimal commas; the delimiter is then \";\"\n"
     "  --json              one object: resolution, bins (level, count), not_counted\n"},
    {"report", false,
     "FILE.dat | --id ID --out FILE.pdf [--regulation eu|osha] [--standard S]\n"
     "        [--worker W] [--task T] [--location L] [--cal-before DB] [--cal-after DB]\n"
     "        [--paper a4|letter]\n"
     "        | --summary [FILE.dat...] [--worker W] [--since D] [--until D] --out FILE.pdf",
     "the exposure report of a measurement as PDF (no meter needed)",
     "  --id ID             a measurement of the archive (--archive chooses it); its worker,\n"
     "                      task, location and calibration check fill the report\n"
     "  --regulation R      eu (Directive 2003/10/EC) or osha (29 CFR 1910.95)\n"
     "  --standard S        the dose standard, as for stats\n"
     "  --worker W, --task T, --location L\n"
     "                      who, what and where, printed on the first page (over the\n"
     "                      archive's tags)\n"
     "  --cal-before DB, --cal-after DB\n"
     "                      the calibrator's readings before and after (a drift over 0.5 dB\n"
     "                      makes the measurement unfit for an assessment)\n"
     "  --paper P           a4 or letter (the default follows the locale)\n"
     "  --summary FILE.dat...\n"
     "                      one table of several measurements, with each worker's weekly\n"
     "                      exposure; with no file, the archive's measurements, narrowed by\n"
     "                      --worker, --task, --location, --since and --until (YYYY-MM-DD)\n"
     "\nAn unknown archive ID exits 1; an archive that cannot be read exits 4.\n"},
    {"assess", false, "PLAN.json [--json] [--out FILE.pdf]",
     "the task-based daily exposure (ISO 9612) with its uncertainty (no meter needed)",
     "  --json              lex8h, u, U, warnings and tasks\n"
     "  --out FILE.pdf      also write the assessment report\n"
     "\nThe plan names each task's measurements by .dat path (relative to the plan) or by\n"
     "archive ID (a number; --archive chooses the archive).\n"},
    {"archive", false,
     "import FILE... | list [--worker W] [--task T] [--location L] [--kind K]\n"
     "        [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--json] | show ID [--standard S]\n"
     "        [--json] | tag ID [--worker W] [--task T] [--location L] [--notes N]\n"
     "        [--cal-before DB] [--cal-after DB] | export ID [--csv] [--out FILE] |\n"
     "        delete ID --yes",
     "the measurement archive: import .dat, .bnk and .avg files, list, show, tag,\n"
     "                    export and delete measurements (no meter needed)",
     "  import FILE...      adds .dat, .bnk and .avg files; one already there is not added\n"
     "  list                one line per measurement: ID, kind, start, samples, worker, task,\n"
     "                      location, source; --worker, --task, --location, --kind (logged,\n"
     "                      recording, bank or average), --since and --until narrow it\n"
     "  show ID             the measurement's tags and figures; --standard S as for stats\n"
     "  tag ID              sets --worker, --task, --location, --notes, --cal-before DB and\n"
     "                      --cal-after DB (the calibrator's readings)\n"
     "  export ID           the measurement's samples as a listing, or CSV with --csv; --out FILE\n"
     "                      writes them to FILE\n"
     "  delete ID --yes     removes the measurement; without --yes nothing happens\n"
     "  --archive PATH_OR_URL\n"
     "                      the archive: a file, or postgresql://USER@HOST:PORT/DBNAME\n"
     "                      (?host=/socket/dir for a local socket); the default is a file in\n"
     "                      the user's data folder\n"
     "download, record and banks archive what they read unless --no-archive is given.\n"},
}};
// clang-format on

const CommandText* find(const QString& name) {
    for (const CommandText& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString usageLine(const CommandText& c) {
    QString line = QString::fromLatin1(c.name);
    if (*c.usage != '\0')
        line += QLatin1Char(' ') + QString::fromLatin1(c.usage);
    return line;
}

} // namespace

QStringList commandNames() {
    QStringList names;
    for (const CommandText& c : kCommands)
        names << QString::fromLatin1(c.name);
    return names;
}

bool isCommand(const QString& name) {
    return find(name) != nullptr;
}

QString commandsHelp() {
    QString text = QStringLiteral("Commands:\n");
    for (const CommandText& c : kCommands) {
        const QString usage = usageLine(c);
        text += QStringLiteral("  ") + usage;
        if (usage.size() <= 16 && !usage.contains(QLatin1Char('\n')))
            text += QString(18 - usage.size(), QLatin1Char(' '));
        else
            text += QStringLiteral("\n                    ");
        text += QString::fromLatin1(c.summary) + QLatin1Char('\n');
    }
    text += QStringLiteral("Run noisedesk-cli COMMAND --help for the options of one command.\n");
    return text;
}

QString commandHelp(const QString& name) {
    const CommandText* c = find(name);
    if (!c)
        return {};
    QString text = QStringLiteral("Usage: noisedesk-cli ");
    if (c->needsMeter)
        text += QStringLiteral("(--port DEVICE | --simulate) [--timeout S] ");
    text += usageLine(*c) + QStringLiteral("\n\n");
    QString summary = QString::fromLatin1(c->summary).simplified();
    summary[0] = summary[0].toUpper();
    text += summary + QStringLiteral(".\n");
    if (*c->details != '\0')
        text += QLatin1Char('\n') + QString::fromLatin1(c->details);
    if (c->needsMeter)
        text += QStringLiteral("\n  --port DEVICE       the meter's serial device: a path, or COM1 "
                               "to COM16\n"
                               "  --simulate          a virtual meter instead\n"
                               "  --timeout S         seconds the meter may stay silent "
                               "(default 5)\n");
    return text;
}

} // namespace nd::cli
