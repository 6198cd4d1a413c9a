#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace nd::app {

struct Options {
    /// Serve a virtual meter on a pseudo-terminal inside the program.
    bool simulate = false;
    /// The device (or "COM  n" text) chosen before the port window opens.
    QString port;
    /// Go straight to the main window with the preselected device.
    bool noPortWindow = false;
    /// Print caption changes to stdout, for the end-to-end tests and the benchmark.
    bool trace = false;
    /// The measurement archive to use instead of the setting's (a file or a
    /// postgresql:// address), and whether to archive nothing automatically.
    QString archive;
    bool noArchive = false;
};

/// The version text of the program.
QString programVersion();

/// True when the command line asks only for --help or --version.
bool asksForInformationOnly(int argc, char* argv[]);

/// Parses the command line; --help and --version print and end the program here.
Options parseOptions(const QStringList& arguments);

} // namespace nd::app
