// The "Control Panel" window on the link against the in-process virtual meter.

#include "ScriptedDialogs.h"
#include "SimFixture.h"
#include "keypad/SLmPanel.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace nd;

namespace {

constexpr int kWait = 10000;

struct Rig {
    test::SimFixture sim;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<link::MeterLink> link;

    Rig() {
        sim.clock().setPace(0.01);
        link = std::make_unique<link::MeterLink>(sim.portFactory(), sim.sharedClock(),
                                                 QStringLiteral("COM3"));
        link->start();
    }
    ~Rig() { link->stop(); }

    QList<int> keysSent() const {
        QList<int> codes;
        for (const auto& w : sim.lastPort()->writes()) {
            if (w.bytes.size() == 2 && w.bytes.at(0) == 'F')
                codes << static_cast<unsigned char>(w.bytes.at(1));
        }
        return codes;
    }
    /// Waits until the published state satisfies `ready`.
    bool settle(const std::function<bool(const link::MeterState&)>& ready) {
        return QTest::qWaitFor([&] { return ready(link->state()); }, kWait);
    }
};

QPushButton* button(QWidget& w, const QString& name) {
    return w.findChild<QPushButton*>(name);
}

} // namespace

class KeypadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void keysDriveTheMeterAndTheCopyFollows() {
        Rig rig;
        QVERIFY(rig.settle([](const auto& s) { return s.DbaMode; }));
        keypad::SLmPanel panel(*rig.link, rig.dialogs, {});
        button(panel, "CmdMode")->click();
        QVERIFY(rig.settle([](const auto& s) { return s.DoseMode; }));
        panel.refresh();
        QVERIFY(panel.findChild<QLabel*>("LblDose")->isVisibleTo(&panel));
        button(panel, "CmdRun")->click();
        QVERIFY(!button(panel, "CmdRun")->isEnabled()); // until its own press is done
        QVERIFY(rig.settle([](const auto& s) { return s.Running; }));
        QTRY_VERIFY_WITH_TIMEOUT(button(panel, "CmdRun")->isEnabled(), kWait);
        button(panel, "CmdPause")->click();
        QVERIFY(rig.settle([](const auto& s) { return s.Paused; }));
        panel.refresh();
        QCOMPARE(button(panel, "CmdPause")->text(), QString("Continuar"));
        QCOMPARE(rig.keysSent(), (QList<int>{1, 16, 16}));
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void keysAreRefusedNotQueuedDuringASetupTransfer() {
        Rig rig;
        keypad::SLmPanel panel(*rig.link, rig.dialogs, {});
        // A job standing for a setup transfer: SettingUp for a few seconds of the meter.
        rig.link->submit({"setup",
                          [](link::Meter& meter) {
                              meter.state().SettingUp = true;
                              meter.publishState();
                              meter.Delay(3.0);
                              meter.state().SettingUp = false;
                              meter.publishState();
                          },
                          {}});
        QVERIFY(rig.settle([](const auto& s) { return s.SettingUp; }));
        for (const char* name : {"CmdMode", "CmdEvent", "CmdReset", "CmdTime", "CmdRun"})
            QVERIFY2(!button(panel, name)->isEnabled(), name);
        QVERIFY(button(panel, "CmdRun")->toolTip().contains("being set up"));
        panel.press(keypad::Key::Mode);
        panel.press(keypad::Key::Clock);
        QVERIFY(rig.settle([](const auto& s) { return !s.SettingUp; }));
        QVERIFY(button(panel, "CmdMode")->isEnabled());
        QTest::qWait(100);
        QVERIFY(rig.keysSent().isEmpty());
    }
};

QTEST_MAIN(KeypadWindowTest)
#include "test_keypad_window.moc"
