// The stdin protocol of noisedesk-sim, which integration tests of the program use to
// steer the meter: each command, its answer and its effect.

#include "sim/Console.h"
#include "sim/DisplayFrame.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;

namespace {
struct Bench {
    VirtualMeter meter;
    double now = 100.0;
    int unplugs = 0;
    int replugs = 0;
    Console console{meter, {[this] { return now; }, [this] { ++unplugs; }, [this] { ++replugs; }}};

    QString run(const QString& line) { return console.execute(line).text; }
};
const QString kOk = QStringLiteral("ok");
} // namespace

class ConsoleTest : public QObject {
    Q_OBJECT

private slots:
    void commandsChangeTheMeter() {
        Bench b;
        for (const char* line : {"silent on", "bad-frames on", "short-replies on", "junk on",
                                 "slow 250", "dump-stop 100", "ignore-key 8 2", "set 0x3B 85",
                                 "level 94.5", "press 1", "  key-lock   on ", "unplug", "replug"})
            QCOMPARE(b.run(line), kOk);
        const Faults f = b.meter.faults();
        QVERIFY(f.silent && f.badFrames && f.shortReplies && f.junkBeforeFrame);
        QVERIFY(f.extraLatency == 0.25 && f.dumpStopsAfter == 100);
        QVERIFY(f.ignoreKeyCode == 8 && f.ignoreKeyCount == 2);
        QCOMPARE(b.run(QStringLiteral("cell 59")), QStringLiteral("85"));
        QCOMPARE(b.meter.level(b.now), 94.5);
        QVERIFY(b.meter.displayFrame(b.now).at(1) & frame::kDoseMode);
        QVERIFY(b.meter.displayFrame(b.now).at(2) & frame::kKeyLocked);
        QVERIFY(b.unplugs == 1 && b.replugs == 1);
        QCOMPARE(b.run("slow 0"), kOk);
        QCOMPARE(b.run("dump-stop off"), kOk);
        QVERIFY(b.meter.faults().extraLatency == 0.0 && b.meter.faults().dumpStopsAfter == -1);
    }

    void badCommandsAreAnsweredWithAnErrorAndChangeNothing_data() {
        QTest::addColumn<QString>("line");
        for (const char* line :
             {"frobnicate", "silent maybe", "slow -1", "dump-stop x", "level loud", "press 256",
              "cell 65536", "set 1 256", "ignore-key 0 1", "quit now"})
            QTest::newRow(line) << QString::fromLatin1(line);
    }
    void badCommandsAreAnsweredWithAnErrorAndChangeNothing() {
        QFETCH(QString, line);
        Bench b;
        const QByteArray frameBefore = b.meter.displayFrame(b.now);
        const Console::Reply reply = b.console.execute(line);
        QVERIFY2(reply.text.startsWith(QStringLiteral("error: ")), qPrintable(reply.text));
        QVERIFY(!reply.quit);
        QCOMPARE(b.meter.cell(1), 0);
        QVERIFY(!b.meter.faults().silent && b.meter.faults().dumpStopsAfter == -1);
        QCOMPARE(b.meter.displayFrame(b.now), frameBefore);
    }
};

QTEST_APPLESS_MAIN(ConsoleTest)
#include "tst_Console.moc"
