#pragma once

#include <QString>
#include <QStringList>

namespace nd::cli {

/// Every command's name, in the order the help lists them.
QStringList commandNames();
bool isCommand(const QString& name);
/// The list of commands that `--help` shows: one or two lines each.
QString commandsHelp();
/// The help of one command: its usage, what it does and the options it takes.
/// Empty for a name that is no command.
QString commandHelp(const QString& name);

} // namespace nd::cli
