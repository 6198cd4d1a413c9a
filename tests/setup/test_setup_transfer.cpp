// The setup transfer and the standards table against the in-process virtual meter on a
// virtual clock: the keys each item costs, read-back, refusals, failures and their path.

#include "SimFixture.h"
#include "link/Meter.h"
#include "setup/SetupTransfer.h"
#include "setup/Standards.h"

#include <QTest>

#include <atomic>
#include <functional>

using namespace nd;
using nd::setup::SetupRequest;
using nd::setup::SetupResult;
namespace keys = nd::link::keys;

Q_DECLARE_METATYPE(nd::setup::SetupRequest)

namespace {

constexpr int kUp = 2, kDown = 3, kNext = 8, kEnd = 4, kAbandon = 5;

/// The virtual meter behind a port that can run a hook on every write.
class HookedPort final : public link::Port {
public:
    explicit HookedPort(std::shared_ptr<sim::SimPort> port) : m_port(std::move(port)) {}
    std::function<void(const QByteArray&)> onWrite;

    link::OpenResult open() override { return m_port->open(); }
    void close() override { m_port->close(); }
    bool isOpen() const override { return m_port->isOpen(); }
    void clearInput() override { m_port->clearInput(); }
    QByteArray readAll() override { return m_port->readAll(); }
    bool write(const QByteArray& bytes) override {
        if (onWrite)
            onWrite(bytes);
        return m_port->write(bytes);
    }
    bool hasFailed() const override { return m_port->hasFailed(); }
    QString deviceName() const override { return m_port->deviceName(); }

private:
    std::shared_ptr<sim::SimPort> m_port;
};

/// A meter on a fixed calendar, 90 dB, threshold 80, 5 dB, Slow unless a test changes it.
struct Rig {
    explicit Rig(const QDateTime& calendar = QDateTime(QDate(2024, 3, 15), QTime(9, 41))) {
        sim::VirtualMeter::Options options;
        options.calendarStart = calendar;
        meter = std::make_shared<sim::VirtualMeter>(options);
        simPort = std::make_shared<sim::SimPort>(meter, clock);
        port = std::make_unique<HookedPort>(simPort);
        port->open();
        link = std::make_unique<link::Meter>(*port, clock);
    }

    SetupResult run(const SetupRequest& request) { return setup::RunSetup(*link, request); }

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
    std::shared_ptr<sim::SimPort> simPort;
    std::unique_ptr<HookedPort> port;
    std::unique_ptr<link::Meter> link;
};

SetupRequest clockOnly(const QDateTime& clock) {
    SetupRequest r;
    r.Clock = clock;
    return r;
}

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
        QTest::newRow("minutes 10 to 50 go up") << at(d, 9, 10) << at(d, 9, 50) << 40 << 0;
        QTest::newRow("minutes 40 to 35 go down") << at(d, 9, 40) << at(d, 9, 35) << 0 << 5;
        QTest::newRow("minutes 20 to 10 go down") << at(d, 9, 20) << at(d, 9, 10) << 0 << 10;
        QTest::newRow("year 2000 to 2099 takes 99 presses")
            << at(QDate(2000, 6, 1), 9, 0) << at(QDate(2099, 6, 1), 9, 0) << 99 << 0;
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
        QFETCH(int, ups);
        QFETCH(int, downs);
        Rig rig(start);
        const SetupResult result = rig.run(clockOnly(wanted));
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QCOMPARE(rig.count(kUp), ups);
        QCOMPARE(rig.count(kDown), downs);
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
        auto req = [](std::optional<int> c, std::optional<int> t, std::optional<int> e,
                      std::optional<bool> f) {
            SetupRequest r;
            r.CriterionLevel = c;
            r.ThresholdLevel = t;
            r.ExchangeRate = e;
            r.FastResponse = f;
            return r;
        };
        const int S = keys::kSetup, M = keys::kMode;
        QTest::newRow("criterion 90 to 85 goes round")
            << 90 << 5 << false << req(85, {}, {}, {})
            << QList<int>{S, kUp, kUp, kUp, kEnd, M, M, M};
        QTest::newRow("threshold 80 to 75, criterion read not pressed")
            << 90 << 5 << false << req({}, 75, {}, {})
            << QList<int>{S, kNext, kDown, kDown, kDown, kDown, kDown, kEnd, M, M, M};
        QTest::newRow("threshold above the meter's criterion is capped at it")
            << 80 << 5 << false << req({}, 90, {}, {}) << QList<int>{S, kNext, kEnd, M, M, M};
        QTest::newRow("only the exchange rate: nothing pressed for the others")
            << 90 << 6 << false << req({}, {}, 4, {})
            << QList<int>{S, kNext, kNext, kUp, kUp, kEnd, M, M, M};
        QTest::newRow("weighting through the status")
            << 90 << 5 << false << req({}, {}, {}, true)
            << QList<int>{S,     kNext, kNext, kNext, kNext, kNext, kNext, kNext,
                          kNext, kNext, kUp,   kEnd,  M,     M,     M};
        QTest::newRow("weighting already right is verified, not pressed")
            << 90 << 5 << true << req({}, {}, {}, true)
            << QList<int>{S,     kNext, kNext, kNext, kNext, kNext, kNext,
                          kNext, kNext, kNext, kEnd,  M,     M,     M};
    }
    void doseItemsFromSeveralStartingValues() {
        QFETCH(int, criterion);
        QFETCH(int, exchange);
        QFETCH(bool, fast);
        QFETCH(SetupRequest, request);
        QFETCH(QList<int>, keys);
        Rig rig;
        rig.meter->setDoseSettings(criterion, exchange);
        rig.meter->setFastResponse(fast);
        // A stale state must not stand in for the meter's own values.
        rig.link->state().CriterionLevel = request.CriterionLevel.value_or(0);
        rig.link->state().ExchangeRate = request.ExchangeRate.value_or(0);
        rig.link->state().FastResponse = request.FastResponse.value_or(false);
        const SetupResult result = rig.run(request);
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QCOMPARE(rig.keysSent(), keys);
        const link::MeterState& s = rig.link->state();
        QCOMPARE(s.CriterionLevel, request.CriterionLevel.value_or(criterion));
        QCOMPARE(s.ExchangeRate, request.ExchangeRate.value_or(exchange));
        QCOMPARE(s.FastResponse, request.FastResponse.value_or(fast));
        QCOMPARE(s.ThresholdText.toInt(), std::min(request.ThresholdLevel.value_or(80), criterion));
        QVERIFY(!s.SettingUp);
    }

    void fullSetupChangesEveryItem() {
        Rig rig;
        SetupRequest r;
        r.CriterionLevel = 84;
        r.ThresholdLevel = 78;
        r.ExchangeRate = 3;
        r.Clock = QDateTime(QDate(2025, 4, 16), QTime(10, 42));
        r.FastResponse = true;
        const double start = rig.clock.now();
        const SetupResult result = rig.run(r);
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
        rig.port->onWrite = [&](const QByteArray& bytes) {
            if (bytes == link::Bytes({'F', kUp})) {
                sim::Faults silent;
                silent.silent = true;
                rig.meter->setFaults(silent);
            }
        };
        SetupRequest r;
        r.CriterionLevel = 80;
        r.ThresholdLevel = 75;
        const SetupResult result = rig.run(r);
        QVERIFY(!result.success);
        QVERIFY(result.failure.contains("stopped answering at the criterion level"));
        QCOMPARE(rig.keysSent().back(), kAbandon);
        QVERIFY(!result.statusRead);
        QVERIFY(rig.link->state().StatusCheckPending); // the next poll runs the status poll
        QVERIFY(!rig.link->state().SettingUp);
        QVERIFY(nd::setup::ResultMessage(result).startsWith("Invalid, try again!"));
    }

    void readBackCatchesAKeyTheMeterIgnored_data() {
        QTest::addColumn<int>("ignored");
        QTest::addColumn<int>("times");
        QTest::addColumn<SetupRequest>("request");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("notTaken");
        SetupRequest exchange;
        exchange.ExchangeRate = 3;
        SetupRequest weighting;
        weighting.FastResponse = true;
        SetupRequest dose; // criterion and exchange rate already right
        dose.CriterionLevel = 90;
        dose.ThresholdLevel = 75;
        dose.ExchangeRate = 5;
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
        sim::Faults faults;
        faults.ignoreKeyCode = ignored;
        faults.ignoreKeyCount = times;
        rig.meter->setFaults(faults);
        const SetupResult result = rig.run(request);
        QCOMPARE(result.success, success);
        QCOMPARE(::notTaken(result), notTaken);
        QVERIFY(rig.count(kUp) <= (ignored == kUp ? nd::setup::limit::kUnmoved + 1 : 1));
        QVERIFY(rig.count(kDown) <= 1);
        if (!success)
            QCOMPARE(rig.keysSent().back(), kAbandon);
    }

    void lostResetIsAFailureThatSaysWhatTheMeterHolds_data() {
        QTest::addColumn<SetupRequest>("request");
        QTest::addColumn<QString>("notTaken");
        SetupRequest r = clockOnly(QDateTime(QDate(2024, 3, 15), QTime(9, 45)));
        r.CriterionLevel = 84;
        QTest::newRow("setup window") << r
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
        sim::Faults faults;
        faults.ignoreKeyCode = kEnd;
        faults.ignoreKeyCount = 1;
        rig.meter->setFaults(faults);
        const SetupResult result = rig.run(request);
        QVERIFY(!result.success);
        QVERIFY(!result.leftSetup);
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
        rig.port->onWrite = [&](const QByteArray& bytes) {
            if (bytes == link::Bytes({'F', kDown}) && ++downs == 2) {
                if (byClock)
                    rig.clock.interrupt();
                else
                    cancel = true;
            }
        };
        SetupRequest r;
        r.ThresholdLevel = 72;
        r.FastResponse = true;
        const SetupResult result = setup::RunSetup(*rig.link, r, &cancel);
        QVERIFY(result.interrupted);
        QVERIFY(!result.success);
        QCOMPARE(rig.keysSent().back(), kAbandon);
        QVERIFY(result.statusRead);
        QVERIFY2(nd::setup::ResultMessage(result).contains(
                     "Threshold level: before 80, asked 72, now 78"),
                 qPrintable(nd::setup::ResultMessage(result)));
        QCOMPARE(rig.link->state().ThresholdText, QString("78"));
        QVERIFY(!rig.link->state().SettingUp);
        QCOMPARE(rig.clock.interrupted(), byClock); // the interrupt goes on after the abort
        QVERIFY(rig.meter->displayFrame(rig.clock.now()).at(1) & 0x60);
    }

    void clockFollowingThePcSetsTheMinuteItIsWalkedIn() {
        const QDateTime start(QDate(2024, 3, 15), QTime(9, 41, 50));
        Rig rig(start);
        SetupRequest r = clockOnly(QDateTime(start.date(), QTime(9, 41)));
        r.PcClock = [&] { return start.addMSecs(qint64(rig.clock.now() * 1000)); };
        const SetupResult result = rig.run(r);
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        // Ten seconds later, the minutes item is walked at 9:42.
        QCOMPARE(rig.meter->calendarAt(rig.clock.now()).time().minute(), 42);
    }

    void lockedMeterIsRefusedWithNothingPressed() {
        Rig rig;
        rig.meter->setKeyLocked(true);
        SetupRequest r;
        r.CriterionLevel = 80;
        const SetupResult result = rig.run(r);
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
        QTest::newRow("U.S.A already loaded costs 128, 8, 8, 4")
            << "usa" << 90 << QList<int>{S, kNext, kNext, kEnd} << 90 << 5;
        QTest::newRow("Sweden: 85 dB and 3 dB")
            << "Sweden" << 90 << QList<int>{S, kUp, kUp, kUp, kNext, kNext, kUp, kUp, kEnd} << 85
            << 3;
    }
    void standardsTable() {
        QFETCH(QString, country);
        QFETCH(int, meterCriterion);
        QFETCH(QList<int>, keys);
        QFETCH(int, criterion);
        QFETCH(int, exchange);
        const setup::NoiseStandard* standard = setup::FindStandard(country);
        QVERIFY(standard);
        Rig rig;
        rig.meter->setDoseSettings(meterCriterion, 5);
        const SetupResult result = rig.run(setup::StandardRequest(*standard));
        QVERIFY2(result.success, qPrintable(result.failure + notTaken(result)));
        QCOMPARE(rig.keysSent(), keys);
        QCOMPARE(rig.link->state().CriterionLevel, criterion);
        QCOMPARE(rig.link->state().ExchangeRate, exchange);
    }

    void standardsTableFindsCountriesLoosely() {
        QCOMPARE(QString(setup::FindStandard("u.s.a.")->Country), QString("U.S.A"));
        QVERIFY(!setup::FindStandard("Atlantis"));
        QVERIFY(!setup::StandardRequest(*setup::FindStandard("Ireland")).ExchangeRate);
    }
};

QTEST_GUILESS_MAIN(SetupTransferTest)
#include "test_setup_transfer.moc"
