#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace nd::sim {

class VirtualMeter;

/// Serves the virtual meter in real time on a pseudo-terminal, so the program's real
/// serial code talks to it. With a link path, a stable symlink points at the current
/// pseudo-terminal; unplug() removes the terminal and the link, replug() makes a new
/// one behind the same path, as pulling and plugging a USB adapter does.
class PtySimulator {
public:
    explicit PtySimulator(std::shared_ptr<VirtualMeter> meter, QString linkPath = {});
    ~PtySimulator();

    /// Starts serving; returns false (with errorString()) when no terminal can be made.
    bool start();
    void stop();

    /// The path the program should open: the link path if given, else the terminal.
    QString devicePath() const;
    /// The pseudo-terminal's own device (/dev/pts/N).
    QString terminalPath() const;
    QString errorString() const;

    void unplug();
    void replug();

    VirtualMeter& meter() { return *m_meter; }

private:
    struct Impl;
    std::shared_ptr<VirtualMeter> m_meter;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nd::sim
