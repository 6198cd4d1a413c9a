#include "Options.h"

#include <QCommandLineParser>

namespace nd::app {

QString programVersion() {
    return QStringLiteral("V 10.02");
}

bool asksForInformationOnly(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QLatin1String argument(argv[i]);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
            argument == QLatin1String("--help-all") || argument == QLatin1String("--version") ||
            argument == QLatin1String("-v"))
            return true;
    }
    return false;
}

Options parseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Desktop companion of a handheld noise dosimeter and sound level meter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start a virtual meter on a pseudo-terminal and offer it as the port."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Preselect DEVICE (a path or \"COM  n\")."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption noPortWindow(
        QStringLiteral("no-port-window"),
        QStringLiteral("Skip the port window and open the preselected device."));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Print caption changes and timings to standard output."));
    const QCommandLineOption archive(
        QStringLiteral("archive"),
        QStringLiteral("The measurement archive: a file, or postgresql://USER@HOST:PORT/DBNAME."),
        QStringLiteral("PATH_OR_URL"));
    const QCommandLineOption noArchive(QStringLiteral("no-archive"),
                                       QStringLiteral("Archive nothing automatically."));
    parser.addOptions({simulate, port, noPortWindow, trace, archive, noArchive});
    parser.process(arguments);
    return {parser.isSet(simulate), parser.value(port),    parser.isSet(noPortWindow),
            parser.isSet(trace),    parser.value(archive), parser.isSet(noArchive)};
}

} // namespace nd::app
