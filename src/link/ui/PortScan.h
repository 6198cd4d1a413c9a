#pragma once

#include "link/Port.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QProgressBar;

namespace nd::link::ui {

/// Tries to open a device and tells how it went; the scan and the device view call it
/// so tests can stand in for the system's ports.
using OpenProbe = std::function<link::OpenError(const QString& device)>;
/// Called with n = 1 .. 16 before port n is tried.
using ScanProgress = std::function<void(int number)>;

/// Opens the device as the link would (9600 8N1) and closes it again at once.
link::OpenError ProbeByOpening(const QString& device);

/// True when the probe's answer means the port exists: it opened, or another program
/// holds it (it is there, just taken).
bool PortExists(link::OpenError error);

/// The list texts ("COM  n") of the ports 1 to 16 that exist, in order. Only opens and
/// closes: no byte is ever sent, so a listed port is one that opened, not one with a
/// meter on it.
QStringList ScanPortTexts(const OpenProbe& probe, const ScanProgress& progress = {});

/// The port window's scan: clears the list, runs the probe over ports 1 to 16 with the
/// bar counting along, and lists the ports found. Selects nothing; the caller decides.
void ScanPorts(QComboBox& list, QProgressBar& progressBar, const OpenProbe& probe);

} // namespace nd::link::ui
