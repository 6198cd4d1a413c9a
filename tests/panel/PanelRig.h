#pragma once

// The main window on the in-process virtual meter: a SimPort on a virtual clock that
// runs about fifty times faster than life, and scripted dialogs.
#include "ScriptedDialogs.h"
#include "link/Clock.h"
#include "panel/Panel.h"
#include "sim/SimPort.h"
#include "sim/VirtualMeter.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace nd::test {

struct PanelRig {
    ScriptedDialogs dialogs;
    std::shared_ptr<link::VirtualClock> clock = std::make_shared<link::VirtualClock>(0.0, 0.02);
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
    /// Loads and waits until the window shows the meter's readings.
    bool loadOnline() {
        load();
        return waitForReadings(3) && QTest::qWaitFor([&] { return !text("LblValue").isEmpty(); });
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return panel->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    /// Clicks the button or triggers the menu command of that name.
    void activate(const QString& name) const {
        if (auto* button = find<QPushButton>(name))
            button->click();
        else
            action(name)->trigger();
    }
    /// The text of the label or line edit of that name (each test that uses it links
    /// PanelRig.cpp or defines its own).
    QString text(const QString& name) const;
    panel::ProgramState& program() const { return panel->programState(); }
    const link::MeterState& state() const { return panel->meterLink()->state(); }
    /// True once the window has shown `count` more poll readings than now.
    bool waitForReadings(int count) const {
        const auto target = state().PollCount + static_cast<std::uint64_t>(count);
        return QTest::qWaitFor([&] { return state().PollCount >= target; }, 10000);
    }
    /// The writes to the meter that begin with `prefix`.
    int countSent(const QByteArray& prefix) const {
        const auto writes = port->writes();
        return int(std::count_if(writes.begin(), writes.end(),
                                 [&](const auto& w) { return w.bytes.startsWith(prefix); }));
    }
};

} // namespace nd::test
