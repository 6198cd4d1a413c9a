// noisedesk-cli: the meter's protocol from a shell, for technicians and scripts.

#include "ArchiveVerbs.h"
#include "AverageVerbs.h"
#include "BankVerbs.h"
#include "CliArgs.h"
#include "CliRunner.h"
#include "CommandHelp.h"
#include "ListVerbs.h"
#include "PauseTally.h"
#include "ReportVerbs.h"
#include "SetupVerb.h"
#include "StoredVerbs.h"
#include "link/Clock.h"
#include "link/Meter.h"
#include "link/PortNames.h"
#include "link/SerialPort.h"
#include "sim/LoggedSets.h"
#include "sim/PtySimulator.h"
#include "sim/VirtualMeter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>

#include <csignal>
#include <memory>
#include <thread>

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    g_interrupted = true;
}

struct Options {
    QString device;
    bool simulate = false;
    double timeout = 5.0;
    int count = 0;
    bool csv = false;
    nd::stored::CsvStyle csvStyle;
    QStringList bank; ///< every --bank given
    QString out;
    bool json = false;
    QStringList words;
    std::optional<nd::setup::SetupRequest> setup;
    nd::cli::StoredOptions stored;
    nd::cli::AverageOptions average;
    nd::cli::ListOptions list;
    nd::cli::ArchiveOptions archive;
    nd::cli::ReportOptions report;
};

int usage(QTextStream& err, const QString& why) {
    return nd::cli::refuseUsage(err, why);
}

std::optional<Options> readOptions(QCoreApplication& app, QTextStream& err, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Talks to the noise meter over its serial port.\n\n") +
        nd::cli::commandsHelp());
    const QCommandLineOption help = parser.addHelpOption();
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
        {"out",
         "banks: also save them to FILE (.bnk, toolbar layout); average: to FILE.avg; "
         "report, assess: the PDF.",
         "FILE"},
        {"json", "banks, average, stats, histogram, assess: print JSON."},
        {"delimiter", "with --csv: the field delimiter, one character or \"tab\".", "C"},
        {"decimal-comma", "with --csv: decimal commas (and \";\" between fields)."},
        {"job", "average --out: the file's JOB field.", "TEXT"},
        {"name", "average --out: the file's Name field.", "TEXT"},
        {"id", "average --out: the file's ID field; report: the archive's measurement.", "TEXT"},
    });
    parser.addOptions(nd::cli::SetupOptions());
    parser.addOptions(nd::cli::listVerbOptions());
    parser.addOptions(nd::cli::archiveOptions());
    parser.addOptions(nd::cli::reportVerbOptions());
    parser.addPositionalArgument("command", nd::cli::commandNames().join(QStringLiteral(", ")) +
                                                QStringLiteral("."));
    if (!parser.parse(app.arguments())) {
        QString why = parser.errorText();
        if (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        exitCode = usage(err, why);
        return std::nullopt;
    }
    const QStringList words = parser.positionalArguments();
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // "COMMAND --help" is that command's help; anything else gets the whole list.
        const QString one = nd::cli::commandHelp(words.value(0));
        QTextStream(stdout) << (one.isEmpty() ? parser.helpText() : one);
        exitCode = nd::cli::kOk;
        return std::nullopt;
    }
    if (words.isEmpty()) {
        exitCode = usage(err, QStringLiteral("no command given"));
        return std::nullopt;
    }
    if (!nd::cli::isCommand(words[0])) {
        exitCode = usage(err, QStringLiteral("unknown command \"%1\"").arg(words[0]));
        return std::nullopt;
    }

    Options o;
    o.simulate = parser.isSet("simulate");
    o.device = nd::cli::deviceForPortOption(parser.value("port"));
    o.words = parser.positionalArguments();
    o.csv = parser.isSet("csv");
    o.bank = parser.values("bank");
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
    QString why;
    const auto csvStyle =
        nd::cli::parseCsvStyle(parser.values("delimiter"), parser.isSet("decimal-comma"), why);
    if (!csvStyle) {
        exitCode = usage(err, why);
        return std::nullopt;
    }
    if (!o.csv && (parser.isSet("delimiter") || parser.isSet("decimal-comma"))) {
        exitCode = usage(err, "--delimiter and --decimal-comma go with --csv");
        return std::nullopt;
    }
    o.csvStyle = *csvStyle;
    o.stored = {parser.value("raw"), parser.isSet("yes"), parser.value("interval"), o.count, o.csv,
                o.csvStyle};
    o.average = {
        parser.value("interval"), parser.value("out"),  parser.isSet("json"), o.csv, o.csvStyle,
        parser.value("job"),      parser.value("name"), parser.value("id")};
    o.list = nd::cli::readListOptions(parser);
    o.archive = nd::cli::readArchiveOptions(parser);
    o.archive.csvStyle = o.csvStyle;
    o.list.csvStyle = o.csvStyle;
    o.report = nd::cli::readReportOptions(parser);
    const bool needsMeter =
        o.words.value(0) != QLatin1String("export") && !nd::cli::isAverageCommand(o.words) &&
        !nd::cli::isListVerb(o.words.value(0)) && !nd::cli::isReportVerb(o.words.value(0)) &&
        o.words.value(0) != QLatin1String("archive");
    if (needsMeter && o.simulate == !o.device.isEmpty()) {
        exitCode = usage(err, "give either --port DEVICE or --simulate");
        return std::nullopt;
    }
    return o;
}

} // namespace

int main(int argc, char* argv[]) {
    // A report lays out text, which takes a GUI application (fonts); no screen is needed.
    std::unique_ptr<QCoreApplication> application;
    if (nd::cli::drawsPages(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
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
    if (nd::cli::isReportVerb(options->words.value(0)))
        return nd::cli::runReportVerb(options->words, options->report, out, err);
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
    parsed.request->csvStyle = options->csvStyle;
    if (parsed.request && parsed.request->command == nd::cli::Command::Banks)
        if (const auto refused = nd::cli::applyBankOptions(*parsed.request, options->bank,
                                                           options->out, options->json))
            return usage(err, *refused);

    std::unique_ptr<nd::sim::PtySimulator> simulator;
    QString device = options->device;
    if (options->simulate) {
        // The built-in meter holds a logged shift and its banks, so every verb has data.
        auto meter = std::make_shared<nd::sim::VirtualMeter>();
        nd::sim::storeShift(*meter, QDateTime::currentDateTime());
        simulator = std::make_unique<nd::sim::PtySimulator>(meter);
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
