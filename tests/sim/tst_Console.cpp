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
    void faultSwitchesChangeTheMeter() {
        Bench b;
        for (const char* line : {"silent on", "bad-frames on", "short-replies on", "junk on",
                                 "slow 250", "dump-stop 100"})
            QCOMPARE(b.run(line), kOk);
        Faults f = b.meter.faults();
        QVERIFY(f.silent && f.badFrames && f.shortReplies && f.junkBeforeFrame);
        QVERIFY(f.extraLatency == 0.25 && f.dumpStopsAfter == 100);
        for (const char* line : {"silent off", "bad-frames off", "short-replies off", "junk off",
                                 "slow 0", "dump-stop off"})
            QCOMPARE(b.run(line), kOk);
        f = b.meter.faults();
        QVERIFY(!f.silent && !f.badFrames && !f.shortReplies && !f.junkBeforeFrame);
        QVERIFY(f.extraLatency == 0.0 && f.dumpStopsAfter == -1);

        QCOMPARE(b.run("ignore-key 8 2"), kOk);
        QCOMPARE(b.meter.faults().ignoreKeyCode, 8);
        QCOMPARE(b.meter.faults().ignoreKeyCount, 2);
        QVERIFY(b.run("ignore-key 0 1").startsWith("error"));
    }

    void meterCommandsActOnTheMeter() {
        Bench b;
        QCOMPARE(b.run(QStringLiteral("cell 59")), QStringLiteral("80"));
        QCOMPARE(b.run(QStringLiteral("set 0x3B 85")), kOk);
        QCOMPARE(b.run(QStringLiteral("cell 59")), QStringLiteral("85"));
        QCOMPARE(b.run(QStringLiteral("set 65535 255")), kOk);
        QCOMPARE(b.meter.cell(65535), 255);

        QCOMPARE(b.run(QStringLiteral("level 94.5")), kOk);
        QCOMPARE(b.meter.level(b.now), 94.5);
        QCOMPARE(b.run(QStringLiteral("press 1")), kOk);
        QVERIFY(b.meter.displayFrame(b.now).at(1) & frame::kDoseMode);
        QCOMPARE(b.run(QStringLiteral("key-lock on")), kOk);
        QVERIFY(b.meter.displayFrame(b.now).at(2) & frame::kKeyLocked);
        QCOMPARE(b.run(QStringLiteral("  key-lock   off ")), kOk);
        QVERIFY(!(b.meter.displayFrame(b.now).at(2) & frame::kKeyLocked));

        QCOMPARE(b.run(QStringLiteral("unplug")), kOk);
        QCOMPARE(b.run(QStringLiteral("replug")), kOk);
        QCOMPARE(b.unplugs, 1);
        QCOMPARE(b.replugs, 1);
    }

    void badCommandsAreAnsweredWithAnErrorAndChangeNothing_data() {
        QTest::addColumn<QString>("line");
        for (const char* line :
             {"frobnicate", "silent", "silent maybe", "junk on off", "slow -1", "slow fast",
              "dump-stop x", "level loud", "level -3", "press 0", "press 256", "cell 65536",
              "cell -1", "set 1", "set 1 256", "set 70000 1", "key-lock yes", "quit now"})
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
        QCOMPARE(b.meter.faults().extraLatency, 0.0);
        QCOMPARE(b.meter.faults().dumpStopsAfter, -1);
        QVERIFY(!b.meter.faults().silent && !b.meter.faults().junkBeforeFrame);
        QCOMPARE(b.meter.displayFrame(b.now), frameBefore);
    }

    void blankLinesGetNoAnswerAndQuitEnds() {
        Bench b;
        QVERIFY(b.console.execute(QString()).text.isEmpty());
        QVERIFY(b.console.execute(QStringLiteral("   ")).text.isEmpty());
        const Console::Reply quit = b.console.execute(QStringLiteral("quit"));
        QCOMPARE(quit.text, kOk);
        QVERIFY(quit.quit);
    }
};

QTEST_APPLESS_MAIN(ConsoleTest)
#include "tst_Console.moc"
