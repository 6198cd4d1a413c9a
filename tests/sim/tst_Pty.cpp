// The virtual meter on a real pseudo-terminal, reached through the program's own serial
// port code, and the noisedesk-sim program driven the way integration tests drive it.

#include "Child.h"
#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "link/SerialPort.h"
#include "sim/PtySimulator.h"
#include "sim/VirtualMeter.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
namespace mem = link::memory;

namespace {
/// Time allowed for anything on the real line; a healthy exchange takes 0.1 s.
constexpr double kPatience = 5.0;

bool readThreshold(link::SerialPort& port, int expected) {
    link::RealClock clock;
    link::Meter meter(port, clock);
    meter.setDeadline(clock.now() + kPatience);
    return meter.ReadCell(mem::kThresholdLevel) && meter.state().CellValue == expected;
}

} // namespace

class PtyTest : public QObject {
    Q_OBJECT

private slots:
    void serialPortReachesTheMeterAndSurvivesUnplugging() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("meter"));
        auto meter = std::make_shared<sim::VirtualMeter>();
        sim::PtySimulator simulator(meter, path);
        QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
        QCOMPARE(QFileInfo(path).symLinkTarget(), simulator.terminalPath());

        link::SerialPort port(path);
        QVERIFY(port.open().ok());
        QVERIFY(readThreshold(port, 80));
        // The program closing and reopening its side is no hang-up for the meter.
        port.close();
        QVERIFY(port.open().ok());
        QVERIFY(readThreshold(port, 80));

        simulator.unplug();
        QVERIFY(!QFileInfo::exists(path));
        link::RealClock clock;
        for (const double until = clock.now() + kPatience;
             !port.hasFailed() && clock.now() < until;) {
            port.write("X");
            port.readAll();
            clock.sleepFor(0.05);
        }
        QVERIFY(port.hasFailed());
        QCOMPARE(port.open().error, link::OpenError::NotFound);

        simulator.replug();
        QVERIFY(QFileInfo::exists(path));
        meter->setCell(mem::kThresholdLevel, 85);
        QVERIFY(port.open().ok());
        QVERIFY(!port.hasFailed());
        QVERIFY(readThreshold(port, 85));
        simulator.stop();
        QVERIFY(!QFileInfo(path).isSymLink());
    }

    void commandLineProgramServesObeysItsConsoleAndEndsCleanly_data() {
        QTest::addColumn<bool>("quit");
        QTest::newRow("quit command") << true;
        QTest::newRow("SIGTERM") << false;
    }
    void commandLineProgramServesObeysItsConsoleAndEndsCleanly() {
        QFETCH(bool, quit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("meter"));
        test::Child sim("noisedesk-sim", {"--link", path});
        QVERIFY2(sim.started(), qPrintable(sim.process().errorString()));
        QCOMPARE(sim.nextLine(), path);
        link::SerialPort port(path);
        QVERIFY(port.open().ok());
        QVERIFY(sim.command("set 59 72"));
        QVERIFY(readThreshold(port, 72));
        QCOMPARE(sim.ask("bogus"), QStringLiteral("error: unknown command bogus"));
        if (quit)
            QVERIFY(sim.command("quit"));
        else
            sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(int(kPatience * 1000)));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(path).isSymLink());
    }
};

QTEST_GUILESS_MAIN(PtyTest)
#include "tst_Pty.moc"
