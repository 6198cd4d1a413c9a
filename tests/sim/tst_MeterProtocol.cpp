// The virtual meter as the program's protocol routines see it: link::Meter over a
// SimPort on a virtual clock, as the link thread and the tests of other parts use it.

#include "SimFixture.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

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
    const link::MeterState& state() const { return meter.state(); }
};
} // namespace

class MeterProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void faultsAsTheProgramSeesThem_data() {
        QTest::addColumn<sim::Faults>("faults");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("frameOk");
        using F = sim::Faults;
        QTest::newRow("healthy") << F{} << Bytes({0x02, 80, 0x03}) << true;
        QTest::newRow("silent") << F{.silent = true} << QByteArray() << false;
        QTest::newRow("bad frames") << F{.badFrames = true} << Bytes({0x02, 80, 0x04}) << false;
        QTest::newRow("short replies") << F{.shortReplies = true} << Bytes({0x02, 80}) << false;
        QTest::newRow("junk") << F{.junkBeforeFrame = true} << Bytes({'A', 'B', 0x02, 80, 0x03})
                              << true;
        QTest::newRow("too slow") << F{.extraLatency = 0.2} << QByteArray() << false;
    }
    void faultsAsTheProgramSeesThem() {
        QFETCH(sim::Faults, faults);
        QFETCH(QByteArray, reply);
        QFETCH(bool, frameOk);
        Bench b;
        b.sim.meter().setFaults(faults);
        const QByteArray got = b.exchange(Bytes({'R', mem::kThresholdLevel, 0}));
        QCOMPARE(got, reply);
        QCOMPARE(link::FrameOk(got, link::kCellReplyLength), frameOk);
    }

    void dumpDeliversTheLoggedMemoryOrStopsWhereTheFaultSays() {
        Bench b;
        sim::VirtualMeter& m = b.sim.meter();
        const int end = 1077;
        m.setCell(mem::kSetCount, 1);
        m.setCell(mem::dataEndLow(1), mem::lowByte(end));
        m.setCell(mem::dataEndHigh(1), mem::highByte(end));
        for (int a = 768; a < end; ++a)
            m.setCell(a, a * 7);
        const std::optional<QByteArray> dump = b.meter.DumpMemory(end + mem::kDumpLeadBytes);
        QVERIFY(dump.has_value());
        QCOMPARE(dump->size(), end + 1);
        for (int a = 0; a < end; ++a)
            QCOMPARE(static_cast<unsigned char>(dump->at(a + 1)), m.cell(a));

        m.setFaults({.dumpStopsAfter = 300});
        QVERIFY(!b.meter.DumpMemory(end + mem::kDumpLeadBytes).has_value());
        QVERIFY(b.meter.ReadCell(mem::kThresholdLevel)); // the meter is ready again
    }

    void stoppingADumpDropsItsRestFromThePort() {
        Bench b;
        const QByteArray start = b.exchange("U", 0.3);
        QVERIFY(start.size() > 200 && start.size() < mem::kEmptyDataEnd);
        QVERIFY(b.exchange("U", 2.0).isEmpty());
        QCOMPARE(b.exchange("X", link::pause::kStatus), Bytes({0x02, 0x0B, 0x03}));
    }

    void unpluggedPortFailsUntilPluggedInAndReopened() {
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
};

QTEST_GUILESS_MAIN(MeterProtocolTest)
#include "tst_MeterProtocol.moc"
