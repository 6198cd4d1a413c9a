#pragma once

// The main window on the in-process virtual meter: a SimPort on a virtual clock that
// runs about fifty times faster than life, and scripted dialogs.
#include "ScriptedDialogs.h"
#include "link/Clock.h"
#include "panel/Panel.h"
#include "sim/SimPort.h"
#include "sim/VirtualMeter.h"

#include <memory>

namespace nd::test {

struct PanelRig {
    static constexpr double kPace = 0.02;

    ScriptedDialogs dialogs;
    std::shared_ptr<link::VirtualClock> clock = std::make_shared<link::VirtualClock>(0.0, kPace);
    std::shared_ptr<sim::VirtualMeter> meter = std::make_shared<sim::VirtualMeter>();
    /// Owned by the link once loaded; it keeps it until the window goes.
    sim::SimPort* port = nullptr;
    std::unique_ptr<panel::Panel> panel = std::make_unique<panel::Panel>(dialogs);

    void load(link::OpenError openError = link::OpenError::None) {
        auto owned = std::make_shared<std::unique_ptr<sim::SimPort>>(
            std::make_unique<sim::SimPort>(meter, *clock));
        port = owned->get();
        port->setOpenError(openError);
        panel->load([owned] { return std::unique_ptr<link::Port>(std::move(*owned)); }, clock,
                    QStringLiteral("COM3"));
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return panel->findChild<T*>(name);
    }
    QString text(const QString& labelName) const;
    const link::MeterState& state() const { return panel->meterLink()->state(); }
    /// True once the window has shown `count` more poll readings than now.
    bool waitForReadings(int count, int timeoutMs = 5000) const;
    bool sentAny(char command) const;
};

} // namespace nd::test
