// The keypad's rules without a window: key codes and captions, refusals, the display copy.

#include "keypad/KeypadRules.h"

#include <QTest>

using namespace nd::keypad;
using nd::link::MeterState;

Q_DECLARE_METATYPE(nd::keypad::Key)

namespace {
MeterState state(bool running, bool paused, bool locked = false) {
    MeterState s;
    s.Running = running;
    s.Paused = paused;
    s.KeyLocked = locked;
    s.DbaMode = true;
    return s;
}
} // namespace

class KeypadRulesTest : public QObject {
    Q_OBJECT

private slots:
    void runAndPauseByRunningAndPaused_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("runCaption");
        QTest::addColumn<int>("runCode");
        QTest::addColumn<QString>("pauseCaption");
        QTest::addColumn<int>("pauseCode"); // 0: the button does nothing
        QTest::newRow("stopped") << false << false << "RUN" << 16 << "PAUSE" << 0;
        QTest::newRow("running") << true << false << "Encerrar" << 32 << "PAUSE" << 16;
        QTest::newRow("paused") << true << true << "Encerrar" << 32 << "Continuar" << 64;
    }
    void runAndPauseByRunningAndPaused() {
        QFETCH(bool, running);
        QFETCH(bool, paused);
        const MeterState s = state(running, paused);
        QTEST(RunCaption(s), "runCaption");
        QTEST(PauseCaption(s), "pauseCaption");
        QTEST(PressFor(Key::Run, s)->code, "runCode");
        const auto pause = PressFor(Key::Pause, s);
        QTEST(pause ? pause->code : 0, "pauseCode");
    }

    void keysThatSendNothing_data() {
        QTest::addColumn<Key>("key");
        QTest::addColumn<MeterState>("state");
        const auto with = [](bool MeterState::*a, bool MeterState::*b) {
            MeterState s = state(false, false);
            s.*a = s.*b = true;
            return s;
        };
        using S = MeterState;
        QTest::newRow("RESET on a date") << Key::Reset << with(&S::ShowsDate, &S::GroupedDigits);
        QTest::newRow("RUN on a time") << Key::Run << with(&S::ShowsTime, &S::GroupedDigits);
        QTest::newRow("RUN while setting up") << Key::Run << with(&S::SettingUp, &S::SettingUp);
        QTest::newRow("RUN during the status poll") << Key::Run << with(&S::LinkBusy, &S::LinkBusy);
    }
    void keysThatSendNothing() {
        QFETCH(Key, key);
        QFETCH(MeterState, state);
        QVERIFY(!PressFor(key, state));
    }

    void keyLockRefusesAllButRun() {
        const MeterState locked = state(true, false, true);
        for (Key key : {Key::Mode, Key::Event, Key::Reset, Key::Clock, Key::Pause})
            QVERIFY(RefusedByLock(key, locked));
        QVERIFY(!RefusedByLock(Key::Run, locked));
        QVERIFY(!RefusedByLock(Key::Mode, state(true, false, false)));
        QCOMPARE(LockCaption(locked), QString("Unlock"));
        QCOMPARE(PressFor(Key::Clock, locked)->code, 8);
    }

    // Levels 0 to 5 have their picture, 7 shows the fullest; the point after two digits
    // shows on the dose display only.
    void batteryAndPoint() {
        MeterState s;
        for (const auto& [level, picture] : {std::pair{0, 0}, {5, 5}, {7, 5}}) {
            s.BatteryLevel = level;
            QCOMPARE(CopyDisplay(s, {}).battery, picture);
        }
        s.DecimalAfter2 = true;
        QVERIFY(!CopyDisplay(s, {}).point2);
        s.DoseMode = true;
        QVERIFY(CopyDisplay(s, {}).point2);
    }

    void bankLabelKeepsItsCaptionAndBlinks() {
        MeterState s;
        s.BankNumber = 3;
        DisplayCopy shown = CopyDisplay(s, {});
        QCOMPARE(shown.bank, QString("E3"));
        s.BankNumber = 6;
        s.BankIndicator = true;
        const DisplayCopy first = CopyDisplay(s, shown);
        const DisplayCopy second = CopyDisplay(s, first);
        QCOMPARE(first.bank, QString("E3"));
        QVERIFY(first.bankVisible != second.bankVisible);
        s.BankNumber = 0;
        s.BankIndicator = false;
        QCOMPARE(CopyDisplay(s, second).bank, QString());
        QVERIFY(CopyDisplay(s, second).bankVisible);
    }
};

QTEST_APPLESS_MAIN(KeypadRulesTest)
#include "test_keypad_rules.moc"
