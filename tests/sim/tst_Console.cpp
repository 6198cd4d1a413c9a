// The stdin protocol of noisedesk-sim, which integration tests of the program use to
// steer the meter (and so test the commands they use): a bad command changes nothing.

#include "sim/Console.h"
#include "sim/VirtualMeter.h"

#include <QTest>

using namespace nd::sim;

namespace {
struct Bench {
    VirtualMeter meter;
    double now = 100.0;
    Console console{meter, {[this] { return now; }, [] {}, [] {}}};
};
} // namespace

class ConsoleTest : public QObject {
    Q_OBJECT

private slots:
    void badCommandsAreAnsweredWithAnErrorAndChangeNothing_data() {
        QTest::addColumn<QString>("line");
        for (const char* line : {"frobnicate", "silent maybe", "slow -1", "level loud",
                                 "cell 65536", "set 1 256", "quit now"})
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
