// The setup transfer and the standards table against the in-process virtual meter on a
// virtual clock: the keys each item costs, read-back, refusals, failures and their path.

#include "FakePort.h"
#include "SimFixture.h"
#include "link/Meter.h"
#include "setup/SetupTransfer.h"
#include "setup/Standards.h"

#include <QTest>

#include <atomic>
#include <functional>

// Requests name only the items asked, the others left empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace nd;
using nd::setup::SetupRequest;
using nd::setup::SetupResult;
namespace keys = nd::link::keys;

Q_DECLARE_METATYPE(nd::setup::SetupRequest)
Q_DECLARE_METATYPE(nd::link::JobOutcome)

namespace {

constexpr int kUp = 2, kDown = 3, kNext = 8, kEnd = 4, kAbandon = 5;

/// A meter on a fixed calendar, 90 dB, threshold 80, 5 dB, Slow unless a test changes it.
struct Rig {
    explicit Rig(const QDateTime& calendar = QDateTime(QDate(2024, 3, 15), QTime(9, 41)))
        : meter(std::make_shared<sim::VirtualMeter>(
              sim::VirtualMeter::Options{.calendarStart = calendar})) {
        port.open();
    }

    SetupResult run(const SetupRequest& request) { return setup::RunSetup(link, request); }

    /// Key codes sent with "F", in order.
    QList<int> keysSent() const {
        QList<int> codes;
        for (const auto& w : simPort->writes()) {
            if (w.bytes.size() == 2 && w.bytes.at(0) == 'F')
                codes << static_cast<unsigned char>(w.bytes.at(1));
        }
        return codes;
    }
    int count(int code) const { return static_cast<int>(keysSent().count(code)); }

    link::VirtualClock clock;
    std::shared_ptr<sim::VirtualMeter> meter;
    std::shared_ptr<sim::SimPort> simPort = std::make_shared<sim::SimPort>(meter, clock);
    test::HookedPort port{simPort};
    link::Meter link{port, clock};
};

QString notTaken(const SetupResult& result) {
    return result.itemsNotTaken().join(QStringLiteral("; "));
}

} // namespace

class SetupTransferTest : public QObject {
    Q_OBJECT

private slots:
    void clockItemsFromSeveralStartingValues_data() {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("wanted");
        QTest::addColumn<int>("ups");
        QTest::addColumn<int>("downs");
        const QDate d(2024, 3, 15);
        auto at = [](QDate date, int h, int m) { return QDateTime(date, QTime(h, m)); };
        QTest::newRow("minutes 55 to 05 go up through 00")
            << at(d, 9, 55) << at(d, 9, 5) << 10 << 0;
        QTest::newRow("minutes 40 to 35 go down") << at(d, 9, 40) << at(d, 9, 35) << 0 << 5;
        QTest::newRow("year 2000 to 2100 is 21 then 00")
            << at(QDate(2000, 6, 1), 9, 0) << at(QDate(2100, 6, 1), 9, 0) << 1 << 0;
        QTest::newRow("hour, month and day down")
            << at(QDate(2024, 12, 31), 23, 0) << at(QDate(2024, 1, 1), 0, 0) << 0 << 11 + 30 + 23;
        QTest::newRow("a clock already right costs no step")
            << at(d, 9, 41) << at(d, 9, 41) << 0 << 0;
    }
    void clockItemsFromSeveralStartingValues() {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, wanted);
        Rig rig(start);
        const SetupResult result = rig.run({.Clock = wanted});
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QTEST(rig.count(kUp), "ups");
        QTEST(rig.count(kDown), "downs");
        // Nothing after the clock is asked: RESET right after the minutes.
        QCOMPARE(rig.keysSent().mid(0, 4), (QList<int>{keys::kSetup, kNext, kNext, kNext}));
        QCOMPARE(rig.meter->calendarAt(rig.clock.now()).date(), wanted.date());
        QCOMPARE(rig.meter->calendarAt(rig.clock.now()).time().minute(), wanted.time().minute());
    }

    void doseItemsFromSeveralStartingValues_data() {
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("exchange");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<SetupRequest>("request");
        QTest::addColumn<QList<int>>("keys");
        using R = SetupRequest;
        const int S = keys::kSetup, M = keys::kMode;
        QTest::newRow("criterion 90 to 85 goes round")
            << 90 << 5 << false << R{.CriterionLevel = 85}
            << QList<int>{S, kUp, kUp, kUp, kEnd, M, M, M};
        QTest::newRow("threshold 80 to 75, criterion read not pressed")
            << 90 << 5 << false << R{.ThresholdLevel = 75}
            << QList<int>{S, kNext, kDown, kDown, kDown, kDown, kDown, kEnd, M, M, M};
        QTest::newRow("threshold above the meter's criterion is capped at it")
            << 80 << 5 << false << R{.ThresholdLevel = 90} << QList<int>{S, kNext, kEnd, M, M, M};
        QTest::newRow("only the exchange rate: nothing pressed for the others")
            << 90 << 6 << false << R{.ExchangeRate = 4}
            << QList<int>{S, kNext, kNext, kUp, kUp, kEnd, M, M, M};
        QTest::newRow("weighting through the status")
            << 90 << 5 << false << R{.FastResponse = true}
            << QList<int>{S,     kNext, kNext, kNext, kNext, kNext, kNext, kNext,
                          kNext, kNext, kUp,   kEnd,  M,     M,     M};
        QTest::newRow("weighting already right is verified, not pressed")
            << 90 << 5 << true << R{.FastResponse = true}
            << QList<int>{S,     kNext, kNext, kNext, kNext, kNext, kNext,
                          kNext, kNext, kNext, kEnd,  M,     M,     M};
    }
    void doseItemsFromSeveralStartingValues() {
        QFETCH(int, criterion);
        QFETCH(int, exchange);
        QFETCH(bool, fast);
        QFETCH(SetupRequest, request);
        Rig rig;
        rig.meter->setDoseSettings(criterion, exchange);
        rig.meter->setFastResponse(fast);
        // A stale state must not stand in for the meter's own values.
        rig.link.state().CriterionLevel = request.CriterionLevel.value_or(0);
        rig.link.state().ExchangeRate = request.ExchangeRate.value_or(0);
        rig.link.state().FastResponse = request.FastResponse.value_or(false);
        const SetupResult result = rig.run(request);
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QTEST(rig.keysSent(), "keys");
        const link::MeterState& s = rig.link.state();
        QCOMPARE(s.CriterionLevel, request.CriterionLevel.value_or(criterion));
        QCOMPARE(s.ExchangeRate, request.ExchangeRate.value_or(exchange));
        QCOMPARE(s.FastResponse, request.FastResponse.value_or(fast));
        QCOMPARE(s.ThresholdText.toInt(), std::min(request.ThresholdLevel.value_or(80), criterion));
        QVERIFY(!s.SettingUp);
    }

    void fullSetupChangesEveryItem() {
        Rig rig;
        const double start = rig.clock.now();
        const SetupResult result =
            rig.run({84, 78, 3, QDateTime(QDate(2025, 4, 16), QTime(10, 42)), true});
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QCOMPARE(nd::setup::ResultMessage(result), QString("Set up successfully."));
        QCOMPARE(result.items.size(), 9);
        QCOMPARE(rig.meter->statusByte() & 0x1F, 1 | 0 << 2 | 0x10);
        QCOMPARE(rig.meter->cell(59), 78);
        QCOMPARE(rig.meter->calendarAt(rig.clock.now()).toString("yyyy-MM-dd hh:mm"),
                 QString("2025-04-16 10:42"));
        // Out of setup and back on dBA after the three MODE presses.
        QVERIFY(rig.meter->displayFrame(rig.clock.now()).at(1) & 0x40);
        // Every key while setting up takes 1.5 s; the rest is the protocol's own pauses.
        QVERIFY(rig.clock.now() - start > 1.5 * rig.keysSent().size());
    }

    void meterThatStopsAnsweringEndsInAFailureWithThePollBackOn() {
        Rig rig;
        rig.port.onWrite = [&](const QByteArray& bytes) {
            if (bytes == link::Bytes({'F', kUp}))
                rig.meter->setFaults({.silent = true});
            return true;
        };
        const SetupResult result = rig.run({.CriterionLevel = 80, .ThresholdLevel = 75});
        QVERIFY(!result.success);
        QVERIFY(result.failure.contains("stopped answering at the criterion level"));
        QCOMPARE(rig.keysSent().back(), kAbandon);
        QVERIFY(!result.statusRead);
        QVERIFY(rig.link.state().StatusCheckPending); // the next poll runs the status poll
        QVERIFY(!rig.link.state().SettingUp);
        QVERIFY(nd::setup::ResultMessage(result).startsWith("Invalid, try again!"));
    }

    void readBackCatchesAKeyTheMeterIgnored_data() {
        QTest::addColumn<int>("ignored");
        QTest::addColumn<int>("times");
        QTest::addColumn<SetupRequest>("request");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("notTaken");
        const SetupRequest exchange{.ExchangeRate = 3}, weighting{.FastResponse = true};
        const SetupRequest dose{90, 75, 5}; // criterion and exchange rate already right
        // A lost CLOCK leaves the walk one item behind: the status shows the rate unchanged.
        QTest::newRow("lost CLOCK")
            << kNext << 1 << exchange << false << "Exchange rate: asked 3, the meter shows 5";
        // A lost toggle is seen in the status and pressed again.
        QTest::newRow("lost weighting toggle") << kUp << 1 << weighting << true << "";
        // A display that does not follow the keys ends the item after a few presses.
        QTest::newRow("EVENT dead")
            << kUp << 100 << exchange << false << "Exchange rate: asked 3, the meter shows 5";
        // The walk takes the criterion screen for the threshold: its first step down goes
        // 90 to 85, not 89, and the walk stops there with the abort.
        // One CLOCK short, the weighting's key steps the minutes: stopped after one press.
        QTest::newRow("lost CLOCK before the weighting")
            << kNext << 1 << weighting << false
            << "Time weighting: asked Fast, the meter shows Slow";
        QTest::newRow("lost CLOCK on a screen that steps otherwise")
            << kNext << 1 << dose << false
            << "Criterion level: asked 90, the meter shows 85; "
               "Threshold level: asked 75, the meter shows 80";
    }
    void readBackCatchesAKeyTheMeterIgnored() {
        QFETCH(int, ignored);
        QFETCH(int, times);
        QFETCH(SetupRequest, request);
        QFETCH(bool, success);
        QFETCH(QString, notTaken);
        Rig rig;
        rig.meter->setFaults({.ignoreKeyCode = ignored, .ignoreKeyCount = times});
        const SetupResult result = rig.run(request);
        QCOMPARE(result.success, success);
        QCOMPARE(::notTaken(result), notTaken);
        QVERIFY(rig.count(kUp) <= (ignored == kUp ? nd::setup::limit::kUnmoved + 1 : 1));
        QVERIFY(rig.count(kDown) <= 1);
        QCOMPARE(rig.meter->cell(59), 80); // no key reached the threshold, never asked
        if (!success)
            QCOMPARE(rig.keysSent().back(), kAbandon);
    }

    void lostResetIsAFailureThatSaysWhatTheMeterHolds_data() {
        QTest::addColumn<SetupRequest>("request");
        QTest::addColumn<QString>("notTaken");
        QTest::newRow("setup window")
            << SetupRequest{.CriterionLevel = 84,
                            .Clock = QDateTime(QDate(2024, 3, 15), QTime(9, 45))}
            << "Year: asked 2024, not confirmed by the meter; "
               "Month: asked 3, not confirmed by the meter; "
               "Day: asked 15, not confirmed by the meter; "
               "Hour: asked 9, not confirmed by the meter; "
               "Minutes: asked 45, not confirmed by the meter";
        QTest::newRow("standards table")
            << setup::StandardRequest(*setup::FindStandard("Sweden")) << "";
    }
    void lostResetIsAFailureThatSaysWhatTheMeterHolds() {
        QFETCH(SetupRequest, request);
        QFETCH(QString, notTaken);
        Rig rig;
        rig.meter->setFaults({.ignoreKeyCode = kEnd, .ignoreKeyCount = 1});
        const SetupResult result = rig.run(request);
        QVERIFY(!result.success && !result.leftSetup);
        QVERIFY2(result.failure.contains("did not leave setup mode"), qPrintable(result.failure));
        QCOMPARE(::notTaken(result), notTaken);
        QCOMPARE(rig.keysSent().back(), kAbandon);
        // The dose settings took and are reported as the meter now holds them.
        const QString message = nd::setup::ResultMessage(result);
        QVERIFY2(message.contains(QString("Criterion level: before 90, asked %1, now %1")
                                      .arg(*request.CriterionLevel)),
                 qPrintable(message));
        // The abort took the meter out of setup mode: it shows a reading again.
        QVERIFY(rig.meter->displayFrame(rig.clock.now()).at(1) & 0x60);
    }

    void interruptedTransferAbandonsAndSaysWhatTheMeterHolds_data() {
        QTest::addColumn<bool>("byClock");
        QTest::newRow("cancelled (a closed window)") << false;
        QTest::newRow("clock interrupted (Ctrl+C, the program ending)") << true;
    }
    void interruptedTransferAbandonsAndSaysWhatTheMeterHolds() {
        QFETCH(bool, byClock);
        Rig rig;
        std::atomic<bool> cancel{false};
        int downs = 0;
        rig.port.onWrite = [&](const QByteArray& bytes) {
            if (bytes == link::Bytes({'F', kDown}) && ++downs == 2) {
                if (byClock)
                    rig.clock.interrupt();
                else
                    cancel = true;
            }
            return true;
        };
        const SetupResult result =
            setup::RunSetup(rig.link, {.ThresholdLevel = 72, .FastResponse = true}, &cancel);
        QVERIFY(result.interrupted && !result.success);
        QCOMPARE(rig.keysSent().back(), kAbandon);
        QVERIFY(result.statusRead);
        QVERIFY2(nd::setup::ResultMessage(result).contains(
                     "Threshold level: before 80, asked 72, now 78"),
                 qPrintable(nd::setup::ResultMessage(result)));
        QCOMPARE(rig.link.state().ThresholdText, QString("78"));
        QVERIFY(!rig.link.state().SettingUp);
        QCOMPARE(rig.clock.interrupted(), byClock); // the interrupt goes on after the abort
        QVERIFY(rig.meter->displayFrame(rig.clock.now()).at(1) & 0x60);
    }

    void clockFollowingThePcSetsTheMinuteItIsWalkedIn_data() {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("set");
        // Ten seconds later, the minutes item is walked at 9:42.
        QTest::newRow("next minute") << QTime(9, 41, 50) << QTime(9, 42);
        // The hour is walked at 9:59:5x, the minutes just after 10:00: 9's last minute.
        QTest::newRow("past the hour walked") << QTime(9, 59, 41) << QTime(9, 59);
    }
    void clockFollowingThePcSetsTheMinuteItIsWalkedIn() {
        QFETCH(QTime, start);
        const QDateTime pc(QDate(2024, 3, 15), start);
        Rig rig(pc);
        SetupRequest r{.Clock = pc};
        r.PcClock = [&] { return pc.addMSecs(qint64(rig.clock.now() * 1000)); };
        const SetupResult result = rig.run(r);
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        const QTime meter = rig.meter->calendarAt(rig.clock.now()).time();
        QTEST(QTime(meter.hour(), meter.minute()), "set");
    }

    void jobOutcomeNamesWhatEndedTheSetup_data() {
        QTest::addColumn<link::JobOutcome>("outcome");
        QTest::addColumn<QString>("failure");
        QTest::newRow("port lost")
            << link::JobOutcome::PortLost << "The meter's port was lost during the setup.";
        QTest::newRow("timed out")
            << link::JobOutcome::TimedOut << "The meter stopped answering during the setup.";
    }
    void jobOutcomeNamesWhatEndedTheSetup() {
        QFETCH(link::JobOutcome, outcome);
        QFETCH(QString, failure);
        QString got;
        setup::SetupJob({}, [&](link::JobOutcome, const SetupResult& r) {
            got = r.failure;
        }).done(outcome);
        QCOMPARE(got, failure);
    }

    void unreadableThresholdIsNoSuccess() {
        Rig rig;
        rig.port.onWrite = [](const QByteArray& bytes) { return !bytes.startsWith('R'); };
        const SetupResult result = rig.run({.ExchangeRate = 4});
        QVERIFY(!result.success && !result.statusRead);
        QCOMPARE(result.failure, QString("The meter did not answer after the setup."));
    }

    // Settings count only once the meter is out of setup mode, and a stop is no success
    // even when every item took.
    void stuckInSetupOrStoppedAfterResetIsNoSuccess_data() {
        QTest::addColumn<bool>("stuck");
        QTest::addColumn<QString>("notTaken");
        QTest::newRow("RESET and MODE+RESET lost")
            << true << "Criterion level: asked 84, the meter shows 84";
        QTest::newRow("stopped on the way back to dBA") << false << "";
    }
    void stuckInSetupOrStoppedAfterResetIsNoSuccess() {
        QFETCH(bool, stuck);
        QFETCH(QString, notTaken);
        Rig rig;
        rig.port.onWrite = [&](const QByteArray& bytes) {
            if (!stuck && bytes == link::Bytes({'F', keys::kMode}))
                rig.clock.interrupt();
            return !stuck ||
                   (bytes != link::Bytes({'F', kEnd}) && bytes != link::Bytes({'F', kAbandon}));
        };
        const SetupResult result = rig.run({.CriterionLevel = 84});
        QVERIFY(!result.success);
        QCOMPARE(::notTaken(result), notTaken);
    }

    void lockedMeterIsRefusedWithNothingPressed() {
        Rig rig;
        rig.meter->setKeyLocked(true);
        const SetupResult result = rig.run({.CriterionLevel = 80});
        QVERIFY(!result.success);
        QCOMPARE(nd::setup::ResultMessage(result), QString("Key locked!"));
        QVERIFY(rig.keysSent().isEmpty());
    }

    void standardsTable_data() {
        QTest::addColumn<QString>("country");
        QTest::addColumn<int>("meterCriterion");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("exchange");
        const int S = keys::kSetup;
        // The meter holds 5 dB; no load ends with MODE presses.
        QTest::newRow("Germany: no exchange rate, criterion already right")
            << "Germany" << 90 << QList<int>{S, kNext, kNext, kEnd} << 90 << 5;
        QTest::newRow("France from 85 dB: 128, 2, 8, 8, 4")
            << "France" << 85 << QList<int>{S, kUp, kNext, kNext, kEnd} << 90 << 5;
        QTest::newRow("u.s.a. (loosely named) already loaded costs 128, 8, 8, 4")
            << "u.s.a." << 90 << QList<int>{S, kNext, kNext, kEnd} << 90 << 5;
        QTest::newRow("Sweden: 85 dB and 3 dB")
            << "Sweden" << 90 << QList<int>{S, kUp, kUp, kUp, kNext, kNext, kUp, kUp, kEnd} << 85
            << 3;
    }
    void standardsTable() {
        QFETCH(QString, country);
        QFETCH(int, meterCriterion);
        const setup::NoiseStandard* standard = setup::FindStandard(country);
        QVERIFY(standard);
        Rig rig;
        rig.meter->setDoseSettings(meterCriterion, 5);
        const SetupResult result = rig.run(setup::StandardRequest(*standard));
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QTEST(rig.keysSent(), "keys");
        QTEST(rig.link.state().CriterionLevel, "criterion");
        QTEST(rig.link.state().ExchangeRate, "exchange");
    }
};

QTEST_GUILESS_MAIN(SetupTransferTest)
#include "test_setup_transfer.moc"
