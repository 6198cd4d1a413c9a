#pragma once

#include "CliRunner.h"
#include "setup/SetupRequest.h"

#include <QCommandLineOption>
#include <QList>

#include <optional>

class QCommandLineParser;

namespace nd::cli {

/// --criterion, --threshold, --exchange, --weighting, --clock, --standard.
QList<QCommandLineOption> SetupOptions();

struct SetupParse {
    std::optional<setup::SetupRequest> request;
    QString error;
};

/// The setup request from the options and the words after "setup" (there must be none).
/// `now` stands for "--clock now". Every value is checked before the meter is touched.
SetupParse ParseSetup(const QCommandLineParser& parser, const QStringList& extraWords,
                      const QDateTime& now);

/// Runs the transfer (the same code as the Setup window) and prints each item as the
/// meter reports it afterwards; kNotTaken when any asked item did not take.
int RunSetupVerb(const setup::SetupRequest& request, RunContext& context);

} // namespace nd::cli
