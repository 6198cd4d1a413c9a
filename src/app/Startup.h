#pragma once

#include "Options.h"
#include "Trace.h"

#include <QObject>
#include <QPointer>
#include <QTemporaryDir>

#include <memory>

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link::ui {
class Port;
}
namespace nd::panel {
class Panel;
}
namespace nd::sim {
class PtySimulator;
}

namespace nd::app {

/// Wires the program together: the optional virtual meter, the port window, the main
/// window and the trace.
class Startup final : public QObject {
    Q_OBJECT

public:
    Startup(Options options, dialogs::Dialogs& dialogs, const QElapsedTimer& sinceStart);
    ~Startup() override;

    /// False (with a message on stderr) when the program cannot start.
    bool start();

private:
    bool startSimulator();
    void showPortWindow();
    void showPanel(const QString& device, const QString& linkCaption);
    static void endProgram();

    Options m_options;
    dialogs::Dialogs& m_dialogs;
    Trace m_trace;
    QString m_preselected;
    /// Holds the virtual meter's stable device name, so it reads as what it is.
    QTemporaryDir m_simulatorDir;
    std::unique_ptr<sim::PtySimulator> m_simulator;
    QPointer<link::ui::Port> m_portWindow;
    std::unique_ptr<panel::Panel> m_panel;
};

} // namespace nd::app
