// The Setup and Standard windows on the link thread against the in-process virtual meter.

#include "ScriptedDialogs.h"
#include "SimFixture.h"
#include "keypad/SLmPanel.h"
#include "link/Meter.h"
#include "panel/Panel.h"
#include "setup/Setup.h"
#include "setup/SetupRunner.h"
#include "setup/Standard.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <algorithm>

using namespace nd;

namespace {

constexpr int kWait = 10000;

/// The link on the virtual meter, running a few hundred times faster than life.
struct Rig {
    test::SimFixture sim;
    test::ScriptedDialogs dialogs;
    link::MeterLink link{sim.portFactory(), sim.sharedClock(), "COM3"};
    setup::SetupRunner runner{link};

    Rig() {
        sim.clock().setPace(0.003);
        link.start();
    }
    ~Rig() { link.stop(); }

    bool statusKnown() {
        return QTest::qWaitFor([&] { return !link.state().ThresholdText.isEmpty(); }, kWait);
    }
    int keysSent() const {
        int n = 0;
        for (const auto& w : sim.lastPort()->writes())
            n += w.bytes.startsWith('F') ? 1 : 0;
        return n;
    }
    bool messageShown(const QString& start) {
        return QTest::qWaitFor(
            [&] {
                const QStringList m = dialogs.messages();
                return !m.isEmpty() && m.back().startsWith(start);
            },
            kWait);
    }
};

template <typename T> T* child(QWidget& w, const QString& name) {
    auto* found = w.findChild<T*>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

void fill(setup::Setup& window, const QStringList& texts) {
    child<QComboBox>(window, "Combo")->setCurrentText(texts[0]);
    for (int i = 1; i <= 5; ++i)
        child<QComboBox>(window, QStringLiteral("TimeText(%1)").arg(i))->setCurrentText(texts[i]);
}

} // namespace

class SetupWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void setupLoadsTheMeterState() {
        Rig rig;
        rig.sim.meter().setDoseSettings(84, 6);
        rig.sim.meter().setFastResponse(true);
        // The link may have read the status before the change: ask again and wait for it.
        rig.link.requestStatusCheck();
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto& s = rig.link.state();
                return s.CriterionLevel == 84 && s.ExchangeRate == 6 && s.FastResponse;
            },
            kWait));
        setup::Setup window(rig.runner, rig.dialogs);
        QVERIFY(child<QRadioButton>(window, "OptCL(1)")->isChecked());
        QVERIFY(child<QRadioButton>(window, "OptER(3)")->isChecked());
        QVERIFY(child<QRadioButton>(window, "Opttw(0)")->isChecked());
        QCOMPARE(child<QComboBox>(window, "Combo")->currentText(), QString("80"));
        QVERIFY(!child<QFrame>(window, "PicSet")->isVisibleTo(&window));
    }

    void lockedMeterIsRefusedUpFront() {
        Rig rig;
        rig.sim.meter().setKeyLocked(true);
        QVERIFY(QTest::qWaitFor([&] { return rig.link.state().KeyLocked; }, kWait));
        setup::Setup window(rig.runner, rig.dialogs);
        child<QPushButton>(window, "CmdOK")->click();
        QCOMPARE(rig.dialogs.messages(), QStringList{"Key locked!"});
        QCOMPARE(rig.keysSent(), 0);
    }

    void refusedFormSendsNothing_thenTransferDisablesOkAndTable() {
        Rig rig;
        QVERIFY(rig.statusKnown());
        QPointer<setup::Setup> window = new setup::Setup(rig.runner, rig.dialogs);
        setup::Standard table(rig.runner, rig.dialogs);
        window->show();
        child<QRadioButton>(*window, "OptCL(2)")->setChecked(true);
        child<QRadioButton>(*window, "Opttw(0)")->setChecked(true);
        fill(*window, {"88", "2025", "2", "30", "3", "4"}); // 30 February: refused, nothing sent
        child<QPushButton>(*window, "CmdOK")->click();
        QVERIFY2(rig.dialogs.messages().value(0).startsWith("The date"),
                 qPrintable(rig.dialogs.messages().value(0)));
        QVERIFY(!rig.runner.busy());
        QTest::qWait(50);
        QCOMPARE(rig.keysSent(), 0);
        fill(*window, {"88", "2025", "1", "2", "3", "4"});
        child<QPushButton>(*window, "CmdOK")->click();
        // The threshold above the chosen 85 dB is capped before anything is sent.
        QCOMPARE(child<QComboBox>(*window, "Combo")->currentText(), QString("85"));
        QVERIFY(!child<QPushButton>(*window, "CmdOK")->isEnabled());
        QVERIFY(child<QFrame>(*window, "PicSet")->isVisible());
        QVERIFY(!child<QTableWidget>(table, "Grid")->isEnabled());
        QVERIFY(rig.messageShown("Set up successfully."));
        QVERIFY(QTest::qWaitFor([&] { return window.isNull(); }, kWait));
        QVERIFY(child<QTableWidget>(table, "Grid")->isEnabled());
        QCOMPARE(rig.link.state().CriterionLevel, 85);
        QCOMPARE(rig.link.state().ThresholdText, QString("85"));
        QCOMPARE(rig.link.state().TimeWeightingText, QString("Fast"));
        QCOMPARE(rig.sim.meter().calendarAt(rig.sim.clock().now()).date(), QDate(2025, 1, 2));
    }

    void closingDuringATransferAbandonsItAndSaysWhatTheMeterHolds_data() {
        QTest::addColumn<bool>("programEnds");
        QTest::newRow("the Setup window closed") << false;
        QTest::newRow("the program ends (the link stops)") << true;
    }
    void closingDuringATransferAbandonsItAndSaysWhatTheMeterHolds() {
        QFETCH(bool, programEnds);
        Rig rig;
        QVERIFY(rig.statusKnown());
        QPointer<setup::Setup> window = new setup::Setup(rig.runner, rig.dialogs);
        window->show();
        fill(*window, {"72", "2024", "3", "15", "9", "41"});
        child<QPushButton>(*window, "CmdOK")->click();
        QVERIFY(QTest::qWaitFor([&] { return rig.sim.meter().cell(59) < 80; }, kWait));
        if (programEnds) {
            rig.link.stop();
        } else {
            window->close();
            QVERIFY(!window.isNull()); // it waits for the abort
            QVERIFY(rig.messageShown("Invalid, try again!"));
            QVERIFY(QTest::qWaitFor([&] { return window.isNull(); }, kWait));
            const QString message = rig.dialogs.messages().back();
            QVERIFY2(message.contains("stopped before it ended"), qPrintable(message));
            QVERIFY2(message.contains(QString("Threshold level: before 80, asked 72, now %1")
                                          .arg(rig.sim.meter().cell(59))),
                     qPrintable(message));
        }
        // The meter was taken out of setup mode with MODE+RESET before the end.
        const auto& writes = rig.sim.lastPort()->writes();
        QVERIFY(std::any_of(writes.begin(), writes.end(),
                            [](const auto& w) { return w.bytes == QByteArray("F\x05", 2); }));
        QVERIFY(rig.sim.meter().displayFrame(rig.sim.clock().now()).at(1) & 0x60);
        delete window.data();
    }

    void dateAndTimeFollowThePcClockUntilEdited() {
        Rig rig;
        QDateTime pc(QDate(2024, 3, 15), QTime(4, 4));
        setup::Setup window(rig.runner, rig.dialogs);
        window.setPcClock([&] { return pc; });
        auto* minutes = child<QComboBox>(window, "TimeText(5)");
        QCOMPARE(minutes->currentText(), QString("4"));
        pc = pc.addSecs(180);
        window.followPcClock();
        QCOMPARE(minutes->currentText(), QString("7"));
        // Untouched boxes stand for the PC clock at the moment the minutes are walked.
        QVERIFY(window.fields().PcClock);
        QCOMPARE(window.fields().PcClock(), pc);
        child<QComboBox>(window, "TimeText(4)")->setCurrentText("5");
        pc = pc.addSecs(60);
        window.followPcClock();
        QCOMPARE(minutes->currentText(), QString("7"));
        QVERIFY(!window.fields().PcClock);
    }

    void standardLoadsOnlyOnACountryName() {
        Rig rig;
        QVERIFY(rig.statusKnown());
        setup::Standard table(rig.runner, rig.dialogs);
        auto* grid = child<QTableWidget>(table, "Grid");
        QCOMPARE(grid->horizontalHeaderItem(6)->text(), QString("Allowable/per day"));
        QCOMPARE(grid->item(8, 0)->text(), QString("U.S.A"));
        // A value cell of Sweden's row does nothing.
        emit grid->cellClicked(7, 1);
        QVERIFY(!rig.runner.busy());
        emit grid->cellClicked(7, 0);
        QVERIFY(rig.runner.busy());
        QVERIFY(rig.messageShown("Set up successfully."));
        QCOMPARE(rig.link.state().CriterionLevel, 85);
        QCOMPARE(rig.link.state().ExchangeRate, 3);
        QVERIFY(grid->isEnabled());
    }

    void mainWindowCommandsOpenOneOfEach() {
        test::SimFixture sim;
        sim.clock().setPace(0.003);
        test::ScriptedDialogs dialogs;
        panel::Panel panel(dialogs);
        panel.load(sim.portFactory(), sim.sharedClock(), QStringLiteral("COM3"));
        for (int i = 0; i < 2; ++i) {
            panel.findChild<QAction*>("MnuSetmode")->trigger();
            panel.findChild<QAction*>("MnuOnes")->trigger();
            panel.findChild<QAction*>("MnuPanel")->trigger();
        }
        QCOMPARE(panel.findChildren<keypad::SLmPanel*>().size(), 1);
        QCOMPARE(panel.findChildren<setup::Setup*>().size(), 1);
        QCOMPARE(panel.findChildren<setup::Standard*>().size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return !dialogs.messages().isEmpty(); }, kWait));
        QCOMPARE(dialogs.messages(),
                 QStringList{"Click a country to set up criterion level and exchange rate. "});
        panel.shutDown();
        QVERIFY(panel.findChildren<setup::Setup*>().isEmpty());
        QVERIFY(panel.findChildren<keypad::SLmPanel*>().isEmpty());
    }
};

QTEST_MAIN(SetupWindowsTest)
#include "test_setup_windows.moc"
