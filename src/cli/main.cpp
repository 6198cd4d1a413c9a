// noisedesk-cli: the meter's protocol from a shell, for technicians and scripts.

#include "ArchiveVerbs.h"
#include "AverageVerbs.h"
#include "BankVerbs.h"
#include "CliArgs.h"
#include "CliRunner.h"
#include "ListVerbs.h"
#include "PauseTally.h"
#include "SetupVerb.h"
#include "StoredVerbs.h"
#include "link/Clock.h"
#include "link/Meter.h"
#include "link/PortNames.h"
#include "link/SerialPort.h"
#include "sim/PtySimulator.h"
#include "sim/VirtualMeter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <memory>
#include <thread>

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    g_interrupted = true;
}

constexpr char kCommandsHelp[] =
    "Commands:\n"
    "  status            the meter's criterion level, exchange rate, response, threshold\n"
    "  read ADDR         the value of memory cell ADDR (0 to 65535)\n"
    "  write ADDR DATA   writes DATA (0 to 255) to cell ADDR\n"
    "  key CODE          presses keys (1 MODE, 2 EVENT, 4 RESET, 8 CLOCK, 16 RUN/PAUSE, ...)\n"
    "  watch             one line per display read: date, time, reading, unit\n"
    "  dump FILE         saves the meter's logged memory image to FILE\n"
    "  setup [--criterion DB] [--threshold DB] [--exchange DB] [--weighting fast|slow]\n"
    "        [--clock now|\"YYYY-MM-DD HH:MM\"] [--standard COUNTRY]\n"
    "                    changes the meter's settings through its setup mode\n"
    "  banks             the five dose event banks [--bank N] [--out FILE.bnk] [--json]\n"
    "  download DIR      downloads the logged data sets, one .dat file each (--raw FILE\n"
    "                    also keeps the memory image)\n"
    "  erase --yes       erases the meter's logged memory\n"
    "  id [VALUE]        reads, or writes and reads back, the ID code (1 to 65535)\n"
    "  interval [S]      reads, or writes and reads back, the logging interval (0.1 to 6553.5)\n"
    "  export FILE.dat   prints a .dat file as a listing, or as CSV with --csv (no meter needed)\n"
    "  record FILE --interval S [--count N]\n"
    "                    records the reading every S seconds to FILE, as the main window does\n"
    "  average FILE.dat --interval HH:MM:SS [--json] [--out FILE.avg]\n"
    "                    the interval averages of a recording (no meter needed)\n"
    "  export FILE.avg   prints an interval average file, or CSV with --csv\n"
    "  stats FILE.dat    LAeq, levels, dose, TWA and LEX,8h of a .dat file (no meter needed)\n"
    "                    [--standard osha-pel|osha-hc|niosh|iso] [--json]; --standard meter\n"
    "                    takes --criterion DB --exchange DB [--threshold DB]\n"
    "  histogram FILE.dat\n"
    "                    the non-empty level bins of a .dat file [--resolution 1|0.1] [--csv]\n"
    "  archive import FILE...   adds .dat, .bnk and .avg files to the archive\n"
    "  archive list [--worker W] [--task T] [--location L] [--kind K] [--since YYYY-MM-DD]\n"
    "        [--until YYYY-MM-DD] [--json]\n"
    "  archive show ID [--standard S] [--json]\n"
    "  archive tag ID [--worker W] [--task T] [--location L] [--notes N] [--cal-before DB]\n"
    "        [--cal-after DB]\n"
    "  archive export ID [--csv] [--out FILE]\n"
    "  archive delete ID --yes\n"
    "                    the measurement archive (--archive PATH_OR_URL; download, record and\n"
    "                    banks archive what they read unless --no-archive)\n";

struct Options {
    QString device;
    bool simulate = false;
    double timeout = 5.0;
    int count = 0;
    bool csv = false;
    QString bank;
    QString out;
    bool json = false;
    QStringList words;
    std::optional<nd::setup::SetupRequest> setup;
    nd::cli::StoredOptions stored;
    nd::cli::AverageOptions average;
    nd::cli::ListOptions list;
    nd::cli::ArchiveOptions archive;
};

int usage(QTextStream& err, const QString& why) {
    err << "noisedesk-cli: " << why << "\n"
        << "Usage: noisedesk-cli (--port DEVICE | --simulate) [--timeout S] COMMAND [ARGS]\n"
        << kCommandsHelp;
    return nd::cli::kUsage;
}

std::optional<Options> readOptions(QCoreApplication& app, QTextStream& err, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Talks to the noise meter over its serial port.\n\n") +
        QString::fromLatin1(kCommandsHelp));
    parser.addHelpOption();
    parser.addOptions({
        {"port", "Serial device of the meter: a path, or COM1 to COM16.", "DEVICE"},
        {"simulate", "Talk to a virtual meter on a pseudo-terminal."},
        {"timeout", "Seconds the meter may stay silent before giving up (default 5).", "S", "5"},
        {"count", "watch: stop after N readings.", "N", "0"},
        {"csv", "watch, export, histogram: comma-separated lines."},
        {"raw", "download: also save the memory image to FILE.", "FILE"},
        {"yes", "erase: yes, erase the meter's logged memory."},
        {"interval", "record: seconds between samples (0.2 to 3600); average: HH:MM:SS.", "S"},
        {"bank", "banks: read bank N only (1 to 5).", "N"},
        {"out", "banks: also save them to FILE (.bnk, toolbar layout); average: to FILE.avg.",
         "FILE"},
        {"json", "banks, average, stats: print JSON."},
    });
    parser.addOptions(nd::cli::SetupOptions());
    parser.addOptions(nd::cli::listVerbOptions());
    parser.addOptions(nd::cli::archiveOptions());
    parser.addPositionalArgument("command", "status, read, write, key, watch, dump, banks, "
                                            "setup, download, erase, id, interval, export, "
                                            "record, stats, histogram or archive.");
    parser.process(app);

    Options o;
    o.simulate = parser.isSet("simulate");
    o.device = nd::cli::deviceForPortOption(parser.value("port"));
    o.words = parser.positionalArguments();
    o.csv = parser.isSet("csv");
    o.bank = parser.value("bank");
    o.out = parser.value("out");
    o.json = parser.isSet("json");
    bool ok = false;
    o.timeout = parser.value("timeout").toDouble(&ok);
    if (!ok || o.timeout <= 0) {
        exitCode = usage(err, "--timeout takes a number of seconds above 0");
        return std::nullopt;
    }
    const auto count = nd::cli::parseNumber(parser.value("count"), 0, 1'000'000);
    if (!count) {
        exitCode = usage(err, "--count takes a whole number");
        return std::nullopt;
    }
    o.count = *count;
    if (o.words.value(0) == QLatin1String("setup")) {
        auto setup = nd::cli::ParseSetup(parser, o.words.mid(1), QDateTime::currentDateTime());
        if (!setup.request) {
            exitCode = usage(err, setup.error);
            return std::nullopt;
        }
        o.setup = setup.request;
    }
    o.stored = {parser.value("raw"), parser.isSet("yes"), parser.value("interval"), o.count, o.csv};
    o.average = {parser.value("interval"), parser.value("out"), parser.isSet("json"), o.csv};
    o.list = nd::cli::readListOptions(parser);
    o.archive = nd::cli::readArchiveOptions(parser);
    const bool needsMeter =
        o.words.value(0) != QLatin1String("export") && !nd::cli::isAverageCommand(o.words) &&
        !nd::cli::isListVerb(o.words.value(0)) && o.words.value(0) != QLatin1String("archive");
    if (needsMeter && o.simulate == !o.device.isEmpty()) {
        exitCode = usage(err, "give either --port DEVICE or --simulate");
        return std::nullopt;
    }
    return o;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("noisedesk-cli");
    QTextStream out(stdout);
    QTextStream err(stderr);

    int exitCode = nd::cli::kOk;
    const auto options = readOptions(app, err, exitCode);
    if (!options)
        return exitCode;
    if (nd::cli::isAverageCommand(options->words))
        return nd::cli::runAverageCommand(options->words, options->average, out, err);
    if (nd::cli::isListVerb(options->words.value(0)))
        return nd::cli::runListVerb(options->words, options->list, out, err);
    if (options->words.value(0) == QLatin1String("archive"))
        return nd::cli::runArchiveVerb(options->words, options->archive, options->list, out, err);
    std::optional<nd::cli::StoredRequest> stored;
    if (nd::cli::isStoredVerb(options->words.value(0))) {
        QString why;
        stored = nd::cli::parseStoredCommand(options->words, options->stored, why);
        if (!stored)
            return usage(err, why);
        if (stored->verb == nd::cli::StoredVerb::Export)
            return nd::cli::runExport(*stored, out, err);
    }
    auto parsed = (options->setup || stored)
                      ? nd::cli::ParseResult{nd::cli::Request{}, {}}
                      : nd::cli::parseCommand(options->words, options->count, options->csv);
    if (!parsed.request)
        return usage(err, parsed.error);
    if (parsed.request && parsed.request->command == nd::cli::Command::Banks)
        if (const auto refused = nd::cli::applyBankOptions(*parsed.request, options->bank,
                                                           options->out, options->json))
            return usage(err, *refused);

    std::unique_ptr<nd::sim::PtySimulator> simulator;
    QString device = options->device;
    if (options->simulate) {
        simulator =
            std::make_unique<nd::sim::PtySimulator>(std::make_shared<nd::sim::VirtualMeter>());
        if (!simulator->start()) {
            err << "noisedesk-cli: the virtual meter could not start: " << simulator->errorString()
                << "\n";
            return nd::cli::kPortFailed;
        }
        device = simulator->devicePath();
    }

    nd::link::SerialPort port(device);
    const nd::link::OpenResult opened = port.open();
    if (!opened.ok()) {
        err << "noisedesk-cli: " << opened.explanation() << "\n";
        return nd::cli::kPortFailed;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    nd::link::RealClock realClock;
    nd::cli::PauseTally clock(realClock);
    // A signal handler may only set a flag; this thread turns it into an interrupt of
    // whatever wait the command is in, so Ctrl+C ends any command at once.
    std::jthread interrupter([&clock](const std::stop_token& stop) {
        while (!stop.stop_requested() && !g_interrupted)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (g_interrupted)
            clock.interrupt();
    });
    nd::link::Meter meter(port, clock);
    meter.setPortCaption(nd::link::linkCaptionForDevice(device));
    nd::cli::ArchiveSink archive(options->archive);
    nd::cli::RunContext context{meter, out, err, options->timeout, g_interrupted, &archive};
    try {
        exitCode = options->setup ? nd::cli::RunSetupVerb(*options->setup, context)
                   : stored       ? nd::cli::runStoredRequest(*stored, context, port)
                                  : nd::cli::runRequest(*parsed.request, context);
    } catch (const nd::link::LinkTimeout&) {
        err << "noisedesk-cli: the meter on " << device << " did not answer within "
            << options->timeout << " s\n";
        exitCode = nd::cli::kNoAnswer;
    } catch (const nd::link::PortLost&) {
        err << "noisedesk-cli: " << device << " went away (was the cable unplugged?)\n";
        exitCode = nd::cli::kPortFailed;
    } catch (const nd::link::LinkInterrupted&) {
        if (g_interrupted) {
            err << "noisedesk-cli: interrupted; nothing was written\n";
            exitCode = nd::cli::kInterrupted;
        } else {
            exitCode = nd::cli::kNoAnswer;
        }
    }
    if (exitCode == nd::cli::kOk && archive.failed())
        exitCode = nd::cli::kFileFailed;
    out.flush();
    port.close();
    return exitCode;
}
