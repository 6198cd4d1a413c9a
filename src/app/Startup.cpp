#include "Startup.h"

#include "link/PortNames.h"
#include "link/ui/PortWindow.h"
#include "panel/Panel.h"
#include "sim/LoggedSets.h"
#include "sim/PtySimulator.h"
#include "sim/VirtualMeter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>

namespace nd::app {

Startup::Startup(Options options, dialogs::Dialogs& dialogs, const QElapsedTimer& sinceStart)
    : m_options(std::move(options)), m_dialogs(dialogs), m_trace(sinceStart),
      m_preselected(m_options.port) {}

Startup::~Startup() {
    // The main window's link closes its port before the simulator's terminal goes away.
    m_panel.reset();
    delete m_portWindow.data();
    if (m_simulator)
        m_simulator->stop();
}

bool Startup::start() {
    if (m_options.simulate && !startSimulator())
        return false;
    if (m_options.noPortWindow) {
        const QString device = link::deviceForChoice(m_preselected);
        showPanel(device, link::linkCaptionForDevice(device));
    } else {
        showPortWindow();
    }
    return true;
}

bool Startup::startSimulator() {
    sim::VirtualMeter::Options meterOptions;
    meterOptions.seed = static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    auto meter = std::make_shared<sim::VirtualMeter>(meterOptions);
    // A logged shift and its banks, so download, Saved File and the figures can be tried.
    sim::storeShift(*meter, QDateTime::currentDateTime());
    m_simulator = std::make_unique<sim::PtySimulator>(
        meter, m_simulatorDir.filePath(QStringLiteral("virtual-meter")));
    if (!m_simulator->start()) {
        std::fprintf(stderr, "noisedesk: cannot start the virtual meter: %s\n",
                     qPrintable(m_simulator->errorString()));
        return false;
    }
    if (m_preselected.isEmpty())
        m_preselected = m_simulator->devicePath();
    return true;
}

void Startup::showPortWindow() {
    QStringList extraEntries;
    if (m_simulator)
        extraEntries << m_simulator->devicePath();
    m_portWindow = new link::ui::Port(m_preselected, extraEntries);
    m_portWindow->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_portWindow, &link::ui::Port::accepted, this,
            [this](const QString& device, const QString& linkCaption) {
                showPanel(device, linkCaption);
                m_portWindow->close();
            });
    connect(m_portWindow, &QDialog::rejected, this, [this] {
        if (!m_panel)
            endProgram();
    });
    m_portWindow->show();
}

void Startup::showPanel(const QString& device, const QString& linkCaption) {
    if (m_panel)
        return;
    m_panel = std::make_unique<panel::Panel>(m_dialogs);
    connect(m_panel.get(), &panel::Panel::programEnded, this, &Startup::endProgram);
    m_panel->show();
    // From now on the program ends with its last window, whichever that is: no process is
    // ever left without a window.
    QGuiApplication::setQuitOnLastWindowClosed(true);
    if (m_options.trace) {
        m_trace.started();
        m_panel->loadDevice(device, linkCaption);
        m_trace.attach(*m_panel);
    } else {
        m_panel->loadDevice(device, linkCaption);
    }
}

void Startup::endProgram() {
    // Queued: the main window may still be inside its close handler.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

} // namespace nd::app
