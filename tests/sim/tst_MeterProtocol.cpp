// The virtual meter as the program's protocol routines see it: link::Meter over a
// SimPort on a virtual clock, as the link thread and the tests of other parts use it.

#include "SimFixture.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "link/MeterLink.h"

#include <QTest>

using namespace nd;
namespace mem = link::memory;

Q_DECLARE_METATYPE(nd::sim::Faults)

namespace {
using nd::link::Bytes;

/// The fixture with one open port and the program's protocol routines on it.
struct Bench {
    test::SimFixture sim;
    std::shared_ptr<sim::SimPort> port = sim.makePort();
    link::Meter meter{*port, sim.clock()};

    Bench() { port->open(); }

    /// Write, the protocol's pause, read: what the program would see.
    QByteArray exchange(const QByteArray& command, double pause = link::pause::kReadCell) {
        port->write(command);
        sim.clock().advance(pause);
        return port->readAll();
    }
    void poll() { meter.PollCycle(); }
    const link::MeterState& state() const { return meter.state(); }
};
} // namespace

class MeterProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void statusPollDecodesStatusAndThreshold_data();
    void statusPollDecodesStatusAndThreshold();
    void cellsRoundTrip_data();
    void cellsRoundTrip();
    void modeKeyStepsTheDisplay();
    void runAtFixedLevelAccumulatesDose();
    void displayBlanksLowLevelsAndShowsOverload_data();
    void displayBlanksLowLevelsAndShowsOverload();
    void faultsAsTheProgramSeesThem_data();
    void faultsAsTheProgramSeesThem();
    void junkBeforeFramesStillReadsCellsAndPolls();
    void silentMeterSendsReadCellBackToTheStatusPoll();
    void dumpDeliversTheLoggedMemory_data();
    void dumpDeliversTheLoggedMemory();
    void dumpStopsWhereTheFaultSays();
    void stoppingADumpDropsItsRestFromThePort();
    void eraseEmptiesTheMemory();
    void commandBytesMaySpanWrites();
    void unpluggedPortFailsUntilPluggedInAndReopened();
    void openErrorHoldsUntilCleared();
    void injectedBytesComeFirstAndClearInputKeepsWhatIsOnTheWay();
    void linkThreadReachesTheMeterThroughTheFixture();
};

void MeterProtocolTest::statusPollDecodesStatusAndThreshold_data() {
    QTest::addColumn<int>("criterion");
    QTest::addColumn<int>("exchange");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<int>("threshold");
    QTest::newRow("defaults") << 0 << 0 << false << 80;
    QTest::newRow("80/3 fast") << 80 << 3 << true << 70;
    QTest::newRow("85/6 slow") << 85 << 6 << false << 90;
}

void MeterProtocolTest::statusPollDecodesStatusAndThreshold() {
    QFETCH(int, criterion);
    QFETCH(int, exchange);
    QFETCH(bool, fast);
    QFETCH(int, threshold);
    Bench b;
    if (criterion != 0) {
        QVERIFY(b.sim.meter().setDoseSettings(criterion, exchange));
        b.sim.meter().setFastResponse(fast);
        b.sim.meter().setCell(mem::kThresholdLevel, threshold);
    } else {
        criterion = 90; // the meter's defaults
        exchange = 5;
    }
    b.meter.StatusPoll();
    QCOMPARE(b.state().CriterionLevel, criterion);
    QCOMPARE(b.state().ExchangeRate, exchange);
    QCOMPARE(b.state().FastResponse, fast);
    QCOMPARE(b.state().ThresholdText, QString::number(threshold));
}

void MeterProtocolTest::cellsRoundTrip_data() {
    QTest::addColumn<double>("address");
    QTest::addColumn<int>("value");
    QTest::newRow("cell 0") << 0.0 << 255;
    QTest::newRow("pointer table") << 513.0 << 9;
    QTest::newRow("rounded address") << 513.7 << 17;
    QTest::newRow("last cell") << 65535.0 << 1;
}

void MeterProtocolTest::cellsRoundTrip() {
    QFETCH(double, address);
    QFETCH(int, value);
    Bench b;
    QVERIFY(b.meter.WriteCell(address, value));
    const int cell = qRound(address);
    QCOMPARE(b.sim.meter().cell(cell), value);
    QVERIFY(b.meter.ReadCell(cell));
    QCOMPARE(b.state().CellValue, value);
    b.sim.meter().setCell(cell, value ^ 0x5A);
    QVERIFY(b.meter.ReadCellRaw(cell));
    QCOMPARE(b.state().CellChar, QString(QChar(value ^ 0x5A)));
}

void MeterProtocolTest::modeKeyStepsTheDisplay() {
    Bench b;
    b.poll();
    QVERIFY(b.state().DbaMode);
    b.meter.PressKey(link::keys::kMode);
    b.poll();
    QVERIFY(b.state().DoseMode && !b.state().DbaMode);
    b.meter.PressKey(link::keys::kMode);
    b.poll();
    QVERIFY(b.state().ShowsTime && b.state().GroupedDigits);
    QCOMPARE(b.state().DisplayText, QStringLiteral("0941"));
    b.meter.PressKey(link::keys::kMode);
    b.poll();
    QVERIFY(b.state().ShowsDate && !b.state().ShowsTime);
    QCOMPARE(b.state().DisplayText, QStringLiteral("0315"));
    // From the date one MODE brings dBA back.
    QVERIFY(b.meter.EnsureDbaMode());
    b.poll();
    QVERIFY(b.state().DbaMode);
}

void MeterProtocolTest::runAtFixedLevelAccumulatesDose() {
    Bench b;
    b.sim.meter().setFixedLevel(100.0); // 90 dB criterion, 5 dB exchange: 2 h allowed
    b.meter.PressKey(link::keys::kRunPause);
    b.sim.clock().advance(3600.0);
    b.meter.PressKey(link::keys::kMode);
    b.poll();
    QVERIFY(b.state().Running && !b.state().Paused);
    QVERIFY(b.state().DoseMode);
    QVERIFY(b.state().DecimalAfter2);
    // 50.00 %, plus the half second that the key press and the poll's pauses add.
    QVERIFY(qAbs(b.state().DisplayNumber - 5000.0) <= 1.0);
}

void MeterProtocolTest::displayBlanksLowLevelsAndShowsOverload_data() {
    QTest::addColumn<double>("dB");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("overRange");
    QTest::newRow("65 dB") << 65.0 << QStringLiteral("----") << false;
    QTest::newRow("70 dB") << 70.0 << QStringLiteral("0700") << false;
    QTest::newRow("94.5 dB") << 94.5 << QStringLiteral("0945") << false;
    QTest::newRow("141 dB") << 141.0 << QStringLiteral(" OL ") << true;
}

void MeterProtocolTest::displayBlanksLowLevelsAndShowsOverload() {
    QFETCH(double, dB);
    QFETCH(QString, text);
    QFETCH(bool, overRange);
    Bench b;
    b.sim.meter().setFixedLevel(dB);
    b.poll();
    QCOMPARE(b.state().DisplayText, text);
    QCOMPARE(b.state().OverRange, overRange);
}

void MeterProtocolTest::faultsAsTheProgramSeesThem_data() {
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("frameOk");
    auto with = [](auto member, auto value) {
        sim::Faults f;
        f.*member = value;
        return f;
    };
    QTest::newRow("healthy") << sim::Faults{} << 3 << true;
    QTest::newRow("silent") << with(&sim::Faults::silent, true) << 0 << false;
    QTest::newRow("bad frames") << with(&sim::Faults::badFrames, true) << 3 << false;
    QTest::newRow("short replies") << with(&sim::Faults::shortReplies, true) << 2 << false;
    QTest::newRow("junk") << with(&sim::Faults::junkBeforeFrame, true) << 5 << true;
    QTest::newRow("too slow") << with(&sim::Faults::extraLatency, 0.2) << 0 << false;
}

void MeterProtocolTest::faultsAsTheProgramSeesThem() {
    QFETCH(sim::Faults, faults);
    QFETCH(int, length);
    QFETCH(bool, frameOk);
    Bench b;
    b.sim.meter().setFaults(faults);
    const QByteArray reply = b.exchange(Bytes({'R', mem::kThresholdLevel, 0}));
    QCOMPARE(reply.size(), length);
    QCOMPARE(link::FrameOk(reply, link::kCellReplyLength), frameOk);
}

void MeterProtocolTest::junkBeforeFramesStillReadsCellsAndPolls() {
    Bench b;
    sim::Faults junk;
    junk.junkBeforeFrame = true;
    b.sim.meter().setFaults(junk);
    QVERIFY(b.meter.ReadCell(mem::kThresholdLevel));
    QCOMPARE(b.state().CellValue, 80);
    b.poll();
    QCOMPARE(b.state().PollCount, std::uint64_t(1));
    QVERIFY(b.state().DbaMode);
}

void MeterProtocolTest::silentMeterSendsReadCellBackToTheStatusPoll() {
    Bench b;
    sim::Faults silent;
    silent.silent = true;
    b.sim.meter().setFaults(silent);
    b.meter.setDeadline(b.sim.clock().now() + 30.0);
    QVERIFY_THROWS_EXCEPTION(link::LinkTimeout, b.meter.ReadCell(mem::kThresholdLevel));
    int reads = 0;
    int statusPolls = 0;
    for (const auto& w : b.port->writes()) {
        reads += w.bytes.startsWith('R');
        statusPolls += w.bytes == "X";
        QVERIFY(statusPolls == 0 || !w.bytes.startsWith('R')); // all reads came first
    }
    QCOMPARE(reads, link::bound::kReadCellShortReplies);
    QVERIFY(statusPolls > 0);
}

void MeterProtocolTest::dumpDeliversTheLoggedMemory_data() {
    QTest::addColumn<int>("sets");
    QTest::newRow("empty memory") << 0;
    QTest::newRow("one set") << 1;
}

void MeterProtocolTest::dumpDeliversTheLoggedMemory() {
    QFETCH(int, sets);
    Bench b;
    sim::VirtualMeter& m = b.sim.meter();
    const int end = sets == 0 ? mem::kEmptyDataEnd : 1077;
    m.setCell(mem::kSetCount, sets);
    m.setCell(mem::dataEndLow(1), mem::lowByte(1077));
    m.setCell(mem::dataEndHigh(1), mem::highByte(1077));
    for (int a = 768; a < 1077; ++a)
        m.setCell(a, a * 7);

    const std::optional<QByteArray> dump = b.meter.DumpMemory(end + mem::kDumpLeadBytes);
    QVERIFY(dump.has_value());
    QCOMPARE(dump->size(), end + 1);
    for (int a = 0; a < end; ++a)
        QCOMPARE(static_cast<unsigned char>(dump->at(a + 1)), m.cell(a));
    // The closing "U" left the meter ready: the next read is answered at once.
    const double before = b.sim.clock().now();
    QVERIFY(b.meter.ReadCell(mem::kThresholdLevel));
    QCOMPARE(b.sim.clock().now() - before, link::pause::kReadCell);
}

void MeterProtocolTest::dumpStopsWhereTheFaultSays() {
    Bench b;
    sim::Faults faults;
    faults.dumpStopsAfter = 300;
    b.sim.meter().setFaults(faults);
    QVERIFY(!b.meter.DumpMemory(mem::kEmptyDataEnd + 1).has_value());
    QVERIFY(b.meter.ReadCell(mem::kThresholdLevel));
}

void MeterProtocolTest::stoppingADumpDropsItsRestFromThePort() {
    Bench b;
    const QByteArray start = b.exchange("U", 0.3);
    QVERIFY(start.size() > 200 && start.size() < mem::kEmptyDataEnd);
    QVERIFY(b.exchange("U", 2.0).isEmpty());
    QCOMPARE(b.exchange("X", link::pause::kStatus), Bytes({0x02, 0x0B, 0x03}));
}

void MeterProtocolTest::eraseEmptiesTheMemory() {
    Bench b;
    b.sim.meter().setCell(mem::kSetCount, 3);
    b.sim.meter().setCell(mem::kMemoryState, mem::kMemoryFullBit);
    b.meter.EraseMemory();
    QCOMPARE(b.state().CellValue, 0);
    QCOMPARE(b.sim.meter().cell(mem::kMemoryState) & mem::kMemoryFullBit, 0);
}

void MeterProtocolTest::commandBytesMaySpanWrites() {
    Bench b;
    b.port->write("R");
    b.port->write(Bytes({mem::kThresholdLevel}));
    QCOMPARE(b.exchange(Bytes({0})), Bytes({0x02, 80, 0x03}));

    b.port->write(Bytes({'W', 0x01}));
    b.port->write(Bytes({0x02, 0x09}));
    QCOMPARE(b.sim.meter().cell(513), 9);

    // A status command and half of a read in one write, the rest in the next.
    b.port->write(Bytes({'X', 'R', 0x01}));
    QCOMPARE(b.exchange(Bytes({0x02})), Bytes({0x02, 0x0B, 0x03, 0x02, 9, 0x03}));
}

void MeterProtocolTest::unpluggedPortFailsUntilPluggedInAndReopened() {
    Bench b;
    b.port->unplug();
    QVERIFY(b.port->hasFailed());
    QVERIFY(!b.port->write("X"));
    QVERIFY_THROWS_EXCEPTION(link::PortLost, b.meter.ReadCell(mem::kThresholdLevel));
    b.port->close();
    QCOMPARE(b.port->open().error, link::OpenError::NotFound);

    b.port->plugIn();
    QVERIFY(b.port->hasFailed()); // the old connection stays dead until reopened
    QVERIFY(b.port->open().ok());
    QVERIFY(!b.port->hasFailed());
    QVERIFY(b.meter.ReadCell(mem::kThresholdLevel));
}

void MeterProtocolTest::openErrorHoldsUntilCleared() {
    test::SimFixture sim;
    auto port = sim.makePort();
    port->setOpenError(link::OpenError::Busy);
    QCOMPARE(port->open().error, link::OpenError::Busy);
    QCOMPARE(port->open().error, link::OpenError::Busy);
    QVERIFY(!port->isOpen());
    port->setOpenError(link::OpenError::None);
    QVERIFY(port->open().ok());
    QVERIFY(port->isOpen());
}

void MeterProtocolTest::injectedBytesComeFirstAndClearInputKeepsWhatIsOnTheWay() {
    Bench b;
    b.port->write("X");
    b.sim.clock().advance(link::pause::kStatus);
    b.port->inject("Z");
    QCOMPARE(b.port->readAll(), Bytes({'Z', 0x02, 0x0B, 0x03}));

    b.port->write("X");
    b.port->clearInput(); // nothing has arrived yet
    b.sim.clock().advance(link::pause::kStatus);
    QCOMPARE(b.port->readAll().size(), 3);

    b.port->write("X");
    b.sim.clock().advance(link::pause::kStatus);
    b.port->clearInput();
    QVERIFY(b.port->readAll().isEmpty());
}

void MeterProtocolTest::linkThreadReachesTheMeterThroughTheFixture() {
    test::SimFixture sim;
    sim.sharedClock()->setPace(0.01); // a hundred times faster than life, without spinning
    link::MeterLink link(sim.portFactory(), sim.sharedClock(), QStringLiteral("SIM"));
    int lost = 0; // counted on this thread: the signal comes from the link thread, queued
    connect(&link, &link::MeterLink::portLost, this, [&lost] { ++lost; });
    link.start();
    QTRY_VERIFY(link.state().PollCount > 0);
    QCOMPARE(link.state().CriterionLevel, 90);
    QVERIFY(sim.lastPort());
    sim.lastPort()->unplug();
    QTRY_COMPARE(lost, 1);
    link.stop();
}

QTEST_GUILESS_MAIN(MeterProtocolTest)
#include "tst_MeterProtocol.moc"
