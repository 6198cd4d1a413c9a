#include "FakePort.h"
#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <QTest>

#include <map>

using namespace nd::link;
using nd::test::FakePort;
using nd::test::frame;

namespace {

using Reply = std::function<QByteArray(const QByteArray&)>;

/// Answers reads of the threshold cell with 80 and every other read with `other`.
Reply thresholdOr(QByteArray other) {
    return [other](const QByteArray& w) {
        return w.at(1) == memory::kThresholdLevel ? frame({80}) : other;
    };
}

/// A meter scripted by command letter; anything unscripted gets the normal answer.
struct Rig {
    VirtualClock clock;
    std::map<char, Reply> on;
    FakePort port{clock, [this](const QByteArray& w) {
                      const auto it = on.find(w.at(0));
                      return it != on.end() ? it->second(w) : nd::test::answerLikeAMeter(w);
                  }};
    Meter meter{port, clock};
    std::vector<MeterState> published;

    Rig() {
        port.open();
        meter.setPortCaption("COM3");
        meter.setPublisher([this](const MeterState& s) { published.push_back(s); });
    }
    MeterState& state() { return meter.state(); }
};

} // namespace

class ProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void frameCheck_judgesOnlyTheLastBytesAndReadCellTakesThem() {
        QVERIFY(FrameOk(Bytes({0x41, 0x42, 0x02, 7, 0x03}), 3));
        QVERIFY(!FrameOk(Bytes({0x02, 7, 0x04}), 3));
        QVERIFY(!FrameOk(Bytes({0x02, 0x03}), 3));
        QVERIFY(FrameOk(Bytes({0x02, 0x03, 0x02, 1, 2, 3, 4, 5, 0x03}), 7));
        Rig rig; // a cell read takes its data from the last three bytes
        rig.on['R'] = [](const QByteArray&) { return Bytes({0x41, 0x42, 0x02, 0x99, 0x03}); };
        QVERIFY(rig.meter.ReadCell(513));
        QCOMPARE(rig.state().CellValue, 0x99);
        QCOMPARE(rig.port.writes().back().bytes, Bytes({'R', 0x01, 0x02}));
        QCOMPARE(rig.clock.now(), 0.1);
    }

    void readCell_retriesBadFramesWithoutCountingThem() {
        Rig rig;
        int attempt = 0;
        // 99 short replies and 50 bad frames, interleaved, then a good one: the bad
        // frames must not push the short-reply count to its limit of 100.
        rig.on['R'] = [&](const QByteArray&) {
            ++attempt;
            if (attempt <= 100)
                return attempt % 2 ? QByteArray() : Bytes({0x02, 5, 0x04});
            return attempt <= 149 ? QByteArray() : frame({42});
        };
        QVERIFY(rig.meter.ReadCell(7));
        QCOMPARE(rig.state().CellValue, 42);
        QCOMPARE(rig.port.countWrites("X"), 0);
    }

    void readCell_givesUpAtItsBoundAndPollsTheStatus_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("attempts");
        QTest::newRow("empty replies") << QByteArray() << 100;
        QTest::newRow("bad frames") << Bytes({2, 1, 7}) << bound::kReadCellBadFrames;
    }
    void readCell_givesUpAtItsBoundAndPollsTheStatus() {
        QFETCH(QByteArray, reply);
        QFETCH(int, attempts);
        Rig rig;
        rig.state().CellValue = 17;
        rig.on['R'] = thresholdOr(reply);
        QVERIFY(!rig.meter.ReadCell(300));
        QCOMPARE(rig.port.countWrites(Bytes({'R', 300 % 256, 1})), attempts);
        QCOMPARE(rig.port.countWrites("X"), 1);
        QCOMPARE(rig.state().ThresholdText, QString("80")); // the status poll read it
    }

    void readCellRaw_oneAttemptWithoutDiscarding() {
        Rig rig;
        rig.on['R'] = [](const QByteArray&) { return frame({0xC4}); };
        QVERIFY(rig.meter.ReadCellRaw(61));
        QCOMPARE(rig.state().CellChar, QString(QChar(0xC4)));

        rig.on['R'] = thresholdOr({});
        QVERIFY(!rig.meter.ReadCellRaw(62));
        QCOMPARE(rig.state().CellChar, QString(QChar(0xC4)));
        QCOMPARE(rig.port.countWrites(Bytes({'R', 62, 0})) + rig.port.countWrites("X"), 2);
    }

    void writeCell_roundsTheAddressAndRefusesOutOfRange() {
        Rig rig;
        QVERIFY(rig.meter.WriteCell(513, 9));
        QVERIFY(rig.meter.WriteCell(513.7, 9));
        QVERIFY(!rig.meter.WriteCell(65536, 1));
        QVERIFY(!rig.meter.WriteCell(-1, 1));
        QVERIFY(!rig.meter.WriteCell(5, 256));
        const auto w = rig.port.writes();
        QCOMPARE(w.size(), size_t(2));
        QCOMPARE(w[0].bytes + w[1].bytes, Bytes({'W', 1, 2, 9, 'W', 2, 2, 9}));
    }

    void pressKey_lastsLongerWhileSettingUp() {
        Rig rig;
        rig.meter.PressKey(keys::kMode);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 0.3));
        rig.state().SettingUp = true;
        rig.meter.PressKey(keys::kClock);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 1.8));
        QCOMPARE(rig.port.writes().at(1).bytes, Bytes({'F', 8}));
    }

    void statusPoll_retriesASilentMeterUntilItAnswers() {
        Rig rig;
        int asked = 0;
        rig.on['X'] = [&](const QByteArray&) {
            return ++asked < 40 ? QByteArray() : frame({0x1F});
        };
        rig.state().StatusCheckPending = true;
        rig.meter.StatusPoll();
        QCOMPARE(asked, 40);
        const MeterState& s = rig.state();
        QCOMPARE(s.CriterionLevel, 90);
        QCOMPARE(s.ThresholdText + s.LinkCaption, QString("80COM3"));
        QVERIFY(!s.LinkBusy && !s.StatusCheckPending);
        // While it waits the windows see the link busy and no port named.
        QCOMPARE(rig.published.front().LinkCaption, QString("No COM"));
        QVERIFY(rig.published.front().LinkBusy);
    }

    void statusPoll_startsOverWhenTheThresholdCannotBeRead() {
        Rig rig;
        int reads = 0;
        rig.on['R'] = [&](const QByteArray&) {
            return ++reads <= 100 ? QByteArray() : frame({75});
        };
        rig.meter.StatusPoll();
        QCOMPARE(rig.port.countWrites("X"), 2);
        QCOMPARE(rig.state().ThresholdText, QString("75"));
    }

    void ensureDbaMode_stopsAfterTheEleventhDecodedRead() {
        Rig rig;
        int reads = 0;
        rig.on[' '] = [&](const QByteArray&) {
            // Every other read is cut short; those are not counted.
            return frame({0x20, 0, 0, 0, 0}).left(++reads % 2 ? 5 : 7);
        };
        QVERIFY(!rig.meter.EnsureDbaMode());
        QCOMPARE(reads, 22);
        QCOMPARE(rig.port.countWrites(Bytes({'F', 1})), 22);
        QCOMPARE(rig.port.countWrites("X"), 1);
    }

    void ensureDbaMode_pressesModeUntilDbaAndTakesOnlySevenByteReplies() {
        Rig rig;
        int presses = 0;
        int reads = 0;
        rig.on['F'] = [&](const QByteArray&) { return ++presses, QByteArray(); };
        // MODE is pressed before each read. The third press brings dBA, but that reply has
        // a stray byte before the frame: it is not taken, and one more press follows.
        rig.on[' '] = [&](const QByteArray&) {
            const QByteArray shown = frame({presses >= 3 ? 0x40 : 0x20, 0, 0, 0, 0});
            return ++reads == 3 ? QByteArray("J") + shown : shown;
        };
        QVERIFY(rig.meter.EnsureDbaMode());
        QCOMPARE(presses, 4);
        QVERIFY(rig.state().DbaMode);
        QCOMPARE(rig.state().LastModeByte, -1); // the main poll decodes its own
    }

    void pollCycle_decodesAFrameJudgedOnItsLastSevenBytes() {
        Rig rig;
        rig.on[' '] = [](const QByteArray&) {
            return QByteArray("zz") + frame({0x48, 0x10, 0x09, 0x45, 0xEB});
        };
        rig.state().StatusCheckPending = true;
        rig.meter.PollCycle();
        const MeterState& s = rig.state();
        QCOMPARE(rig.port.countWrites("X"), 1);
        QVERIFY(s.DbaMode && s.Running);
        QCOMPARE(s.BankNumber, 3);
        QCOMPARE(s.PollCount, 1u);
        QCOMPARE(DisplayValueText(s), QString("94.5"));
    }

    void pollCycle_fallsBackToTheStatusPoll_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("reads");
        QTest::newRow("six short replies") << QByteArray() << 6;
        QTest::newRow("one bad frame") << Bytes({2, 0x40, 0, 9, 0x45, 0, 4}) << 1;
    }
    void pollCycle_fallsBackToTheStatusPoll() {
        QFETCH(QByteArray, reply);
        QFETCH(int, reads);
        Rig rig;
        rig.on[' '] = [reply](const QByteArray&) { return reply; };
        rig.meter.PollCycle();
        QCOMPARE(rig.port.countWrites(" "), reads);
        QCOMPARE(rig.port.countWrites("X"), 1);
        QCOMPARE(rig.state().PollCount, 0u);
        QCOMPARE(rig.published.front().LinkCaption, QString("No COM"));
    }

    void pollCycle_decodesOnlyBytesThatChanged() {
        Rig rig;
        rig.meter.PollCycle();
        // A decoder run would overwrite this; the same digits again must leave it.
        rig.state().DisplayText = "mark";
        rig.meter.PollCycle();
        QCOMPARE(rig.state().DisplayText, QString("mark"));
        rig.on[' '] = [](const QByteArray&) { return frame({0x40, 0x10, 0x09, 0x46, 0xE1}); };
        rig.meter.PollCycle();
        QCOMPARE(rig.state().DisplayText, QString("0946"));
    }

    void dump_collectsTheExpectedBytesAndEndsTheStream() {
        Rig rig;
        const QByteArray image = QByteArray("head") + QByteArray(800, 'm');
        // Bytes beyond the expected length stay unread; the second "U" ends the stream.
        int dumps = 0;
        rig.on['U'] = [&](const QByteArray&) {
            return ++dumps == 1 ? image + "extra" : QByteArray();
        };
        std::vector<int> progress;
        rig.meter.setProgress([&](int p) { progress.push_back(p); });
        QCOMPARE(rig.meter.DumpMemory(static_cast<int>(image.size())).value_or(""), image);
        QCOMPARE(dumps, 2);
        QCOMPARE(progress.back(), 100);
    }

    void dump_endsAsAFailureWhenTheMeterStopsSending() {
        Rig rig;
        rig.on['U'] = [](const QByteArray&) { return QByteArray(300, 'a'); };
        QVERIFY(!rig.meter.DumpMemory(1000).has_value());
        QVERIFY(rig.clock.now() >= bound::kDumpSilence &&
                rig.clock.now() < bound::kDumpSilence + 1);
    }

    void erase_waitsFiveSecondsThenReadsTheSetCount() {
        Rig rig;
        rig.on['R'] = [](const QByteArray& w) {
            return frame({w.at(1) == memory::kSetCount ? 0 : 9});
        };
        rig.state().CellValue = 4;
        rig.meter.EraseMemory();
        const auto w = rig.port.writes();
        QCOMPARE(w.front().bytes, QByteArray("EEE"));
        QVERIFY(qFuzzyCompare(w.at(1).at - w.at(0).at, 5.0));
        QCOMPARE(rig.state().CellValue, 0);
    }

    void waits_endOnStopOnDeadlineAndOnALostPort() {
        Rig rig;
        rig.clock.interrupt();
        QVERIFY_THROWS_EXCEPTION(LinkStopped, rig.meter.StatusPoll());
        rig.clock.clearInterrupt();

        rig.on['X'] = [](const QByteArray&) { return QByteArray(); };
        rig.meter.setDeadline(rig.clock.now() + 2.0);
        QVERIFY_THROWS_EXCEPTION(LinkTimeout, rig.meter.StatusPoll());
        rig.meter.setDeadline(std::nullopt);

        rig.port.setFailed(true);
        QVERIFY_THROWS_EXCEPTION(PortLost, rig.meter.ReadCell(1));
        rig.port.setFailed(false);
        rig.port.close();
        QVERIFY_THROWS_EXCEPTION(LinkStopped, rig.meter.PressKey(1));
    }
};

QTEST_APPLESS_MAIN(ProtocolTest)
#include "test_protocol.moc"
