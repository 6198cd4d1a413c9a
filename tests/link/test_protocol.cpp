#include "FakePort.h"
#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <QTest>

using namespace nd::link;
using nd::test::FakePort;
using nd::test::frame;

namespace {

using nd::link::Bytes;

/// A meter scripted command by command; anything unscripted gets the normal answer.
struct ScriptedMeter {
    std::function<QByteArray(const QByteArray&)> onRead = [](const QByteArray& w) {
        return nd::test::answerLikeAMeter(w);
    };
    std::function<QByteArray(const QByteArray&)> onStatus = [](const QByteArray& w) {
        return nd::test::answerLikeAMeter(w);
    };
    std::function<QByteArray(const QByteArray&)> onDisplay = [](const QByteArray& w) {
        return nd::test::answerLikeAMeter(w);
    };
    QByteArray operator()(const QByteArray& w) const {
        switch (w.at(0)) {
        case 'R':
            return onRead(w);
        case 'X':
            return onStatus(w);
        case ' ':
            return onDisplay(w);
        default:
            return {};
        }
    }
};

struct Rig {
    VirtualClock clock;
    ScriptedMeter script;
    FakePort port{clock, [this](const QByteArray& w) { return script(w); }};
    Meter meter{port, clock};
    std::vector<MeterState> published;

    Rig() {
        port.open();
        meter.setPortCaption("COM3");
        meter.setPublisher([this](const MeterState& s) { published.push_back(s); });
    }
    /// Time between the first write of `first` and the next write after it.
    double pauseAfter(const QByteArray& first) const {
        const auto w = port.writes();
        for (size_t i = 0; i + 1 < w.size(); ++i) {
            if (w[i].bytes == first)
                return w[i + 1].at - w[i].at;
        }
        return -1;
    }
};

} // namespace

class ProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void frameCheck_judgesOnlyTheLastBytes() {
        QVERIFY(FrameOk(Bytes({0x41, 0x42, 0x02, 7, 0x03}), 3));
        QVERIFY(!FrameOk(Bytes({0x02, 7, 0x04}), 3));
        QVERIFY(!FrameOk(Bytes({0x02, 0x03}), 3));
        QVERIFY(FrameOk(Bytes({0x02, 0x03, 0x02, 1, 2, 3, 4, 5, 0x03}), 7));
    }

    void readCell_takesDataFromTheLastThreeBytes() {
        Rig rig;
        rig.script.onRead = [](const QByteArray&) { return Bytes({0x41, 0x42, 0x02, 0x99, 0x03}); };
        QVERIFY(rig.meter.ReadCell(513));
        QCOMPARE(rig.meter.state().CellValue, 0x99);
        QCOMPARE(rig.port.writes().back().bytes, Bytes({'R', 0x01, 0x02}));
        QCOMPARE(rig.clock.now(), 0.1);
    }

    void readCell_retriesBadFramesWithoutCountingThem() {
        Rig rig;
        int attempt = 0;
        // 99 short replies and 50 bad frames, interleaved, then a good one: the bad
        // frames must not push the short-reply count to its limit of 100.
        rig.script.onRead = [&](const QByteArray&) {
            ++attempt;
            if (attempt <= 100)
                return attempt % 2 ? QByteArray() : Bytes({0x02, 5, 0x04});
            if (attempt <= 149)
                return QByteArray();
            return frame({42});
        };
        QVERIFY(rig.meter.ReadCell(7));
        QCOMPARE(rig.meter.state().CellValue, 42);
        QCOMPARE(rig.port.countWrites("X"), 0);
    }

    void readCell_givesUpAfterHundredEmptyReplies_andPollsTheStatus() {
        Rig rig;
        rig.meter.state().CellValue = 17;
        rig.script.onRead = [&](const QByteArray& w) {
            return static_cast<unsigned char>(w.at(1)) == memory::kThresholdLevel ? frame({80})
                                                                                  : QByteArray();
        };
        QVERIFY(!rig.meter.ReadCell(300));
        QCOMPARE(rig.port.countWrites(Bytes({'R', 300 % 256, 1})), 100);
        QCOMPARE(rig.port.countWrites("X"), 1);
        QCOMPARE(rig.meter.state().CellValue, 80); // the status poll read the threshold
        QCOMPARE(rig.meter.state().ThresholdText, QString("80"));
    }

    void readCell_endlessBadFramesAreBounded() {
        Rig rig;
        int badReads = 0;
        rig.script.onRead = [&](const QByteArray& w) {
            if (static_cast<unsigned char>(w.at(1)) == memory::kThresholdLevel)
                return frame({80});
            ++badReads;
            return Bytes({0x02, 1, 0x07});
        };
        QVERIFY(!rig.meter.ReadCell(5));
        QCOMPARE(badReads, bound::kReadCellBadFrames);
        QCOMPARE(rig.port.countWrites("X"), 1);
    }

    void readCellRaw_oneAttemptWithoutDiscarding() {
        Rig rig;
        rig.port.clearInput();
        rig.script.onRead = [](const QByteArray&) { return frame({0xC4}); };
        QVERIFY(rig.meter.ReadCellRaw(61));
        QCOMPARE(rig.meter.state().CellChar, QString(QChar(0xC4)));

        rig.script.onRead = [](const QByteArray& w) {
            return static_cast<unsigned char>(w.at(1)) == 59 ? frame({80}) : QByteArray();
        };
        QVERIFY(!rig.meter.ReadCellRaw(62));
        QCOMPARE(rig.meter.state().CellChar, QString(QChar(0xC4)));
        QCOMPARE(rig.port.countWrites(Bytes({'R', 62, 0})), 1);
        QCOMPARE(rig.port.countWrites("X"), 1);
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
        QCOMPARE(w[0].bytes, Bytes({0x57, 0x01, 0x02, 0x09}));
        QCOMPARE(w[1].bytes, Bytes({0x57, 0x02, 0x02, 0x09}));
        QVERIFY(qFuzzyCompare(w[1].at - w[0].at, 0.02));
    }

    void pressKey_lastsLongerWhileSettingUp() {
        Rig rig;
        rig.meter.PressKey(keys::kMode);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 0.3));
        rig.meter.state().SettingUp = true;
        rig.meter.PressKey(keys::kClock);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 1.8));
        rig.meter.PressKeyQuick(keys::kEvent);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 1.82));
        rig.meter.state().SettingUp = false;
        rig.meter.PressKeyQuick(keys::kEvent);
        QVERIFY(qFuzzyCompare(rig.clock.now(), 1.83));
        QCOMPARE(rig.port.writes().at(1).bytes, Bytes({'F', 8}));
    }

    void statusPoll_retriesASilentMeterUntilItAnswers() {
        Rig rig;
        int asked = 0;
        rig.script.onStatus = [&](const QByteArray&) {
            return ++asked < 40 ? QByteArray() : frame({0x1F});
        };
        rig.meter.state().StatusCheckPending = true;
        rig.meter.StatusPoll();
        QCOMPARE(asked, 40);
        const MeterState& s = rig.meter.state();
        QCOMPARE(s.CriterionLevel, 90);
        QCOMPARE(s.ExchangeRate, 6);
        QCOMPARE(s.TimeWeightingText, QString("Fast"));
        QCOMPARE(s.ThresholdText, QString("80"));
        QCOMPARE(s.LinkCaption, QString("COM3"));
        QVERIFY(!s.LinkBusy);
        QVERIFY(!s.StatusCheckPending);
        QVERIFY(rig.published.size() >= 2);
        QCOMPARE(rig.published.front().LinkCaption, QString("No COM"));
        QVERIFY(rig.published.front().LinkBusy);
        QVERIFY(qFuzzyCompare(rig.pauseAfter("X"), 0.05));
    }

    void statusPoll_startsOverWhenTheThresholdCannotBeRead() {
        Rig rig;
        int reads = 0;
        rig.script.onRead = [&](const QByteArray&) {
            return ++reads <= 100 ? QByteArray() : frame({75});
        };
        rig.meter.StatusPoll();
        QCOMPARE(rig.port.countWrites("X"), 2);
        QCOMPARE(rig.meter.state().ThresholdText, QString("75"));
    }

    void ensureDbaMode_stopsAfterTheEleventhDecodedRead() {
        Rig rig;
        int reads = 0;
        rig.script.onDisplay = [&](const QByteArray&) {
            // Every other read is cut short; those are not counted.
            return ++reads % 2 ? frame({0x20, 0, 0, 0, 0}).left(5) : frame({0x20, 0, 0, 0, 0});
        };
        QVERIFY(!rig.meter.EnsureDbaMode());
        QCOMPARE(reads, 22);
        QCOMPARE(rig.port.countWrites(Bytes({'F', 1})), 22);
        QCOMPARE(rig.port.countWrites("X"), 1);
    }

    void ensureDbaMode_pressesModeUntilDba() {
        Rig rig;
        int presses = 0;
        rig.port.setResponder([&](const QByteArray& w) {
            if (w == Bytes({'F', 1}))
                ++presses;
            if (w.at(0) == ' ')
                return frame({presses >= 3 ? 0x40 : 0x20, 0, 0, 0, 0});
            return nd::test::answerLikeAMeter(w);
        });
        QVERIFY(rig.meter.EnsureDbaMode());
        QCOMPARE(presses, 3);
        QVERIFY(rig.meter.state().DbaMode);
        QCOMPARE(rig.meter.state().LastModeByte, -1); // the main poll decodes its own
    }

    void ensureDbaMode_acceptsOnlyExactlySevenBytes() {
        Rig rig;
        int reads = 0;
        rig.script.onDisplay = [&](const QByteArray&) {
            return ++reads == 1 ? QByteArray("J") + frame({0x40, 0, 0, 0, 0})
                                : frame({0x40, 0, 0, 0, 0});
        };
        QVERIFY(rig.meter.EnsureDbaMode());
        QCOMPARE(reads, 2);
    }

    void pollCycle_decodesAFrameJudgedOnItsLastSevenBytes() {
        Rig rig;
        rig.script.onDisplay = [](const QByteArray&) {
            return QByteArray("zz") + frame({0x48, 0x10, 0x09, 0x45, 0xEB});
        };
        rig.meter.state().StatusCheckPending = true;
        rig.meter.PollCycle();
        const MeterState& s = rig.meter.state();
        QCOMPARE(rig.port.countWrites("X"), 1);
        QVERIFY(s.DbaMode && s.Running);
        QCOMPARE(s.DisplayText, QString("0945"));
        QCOMPARE(s.BankNumber, 3);
        QCOMPARE(s.PollCount, 1u);
        QCOMPARE(DisplayValueText(s), QString("94.5"));
        // 0.1 s settle, then " " and 0.1 s to the read.
        const auto w = rig.port.writes();
        QCOMPARE(w.back().bytes, QByteArray(" "));
        QVERIFY(qFuzzyCompare(rig.clock.now() - w.back().at, 0.1));
    }

    void pollCycle_sixShortRepliesFallBackToTheStatusPoll() {
        Rig rig;
        int reads = 0;
        rig.script.onDisplay = [&](const QByteArray&) {
            ++reads;
            return QByteArray();
        };
        rig.meter.PollCycle();
        QCOMPARE(reads, 6);
        QCOMPARE(rig.port.countWrites("X"), 1);
        QCOMPARE(rig.meter.state().PollCount, 0u);
        QCOMPARE(rig.published.front().LinkCaption, QString("No COM"));
    }

    void pollCycle_oneBadFrameFallsBackToTheStatusPoll() {
        Rig rig;
        rig.script.onDisplay = [](const QByteArray&) { return Bytes({2, 0x40, 0, 9, 0x45, 0, 4}); };
        rig.meter.PollCycle();
        QCOMPARE(rig.port.countWrites(" "), 1);
        QCOMPARE(rig.port.countWrites("X"), 1);
    }

    void pollCycle_decodesOnlyBytesThatChanged() {
        Rig rig;
        rig.meter.PollCycle();
        // A decoder run would overwrite this; the same digits again must leave it.
        rig.meter.state().DisplayText = "mark";
        rig.meter.PollCycle();
        QCOMPARE(rig.meter.state().DisplayText, QString("mark"));
        rig.script.onDisplay = [](const QByteArray&) {
            return frame({0x40, 0x10, 0x09, 0x46, 0xE1});
        };
        rig.meter.PollCycle();
        QCOMPARE(rig.meter.state().DisplayText, QString("0946"));
    }

    void dump_collectsTheExpectedBytesAndEndsTheStream() {
        Rig rig;
        QByteArray image(1 + 800, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i * 7);
        // Bytes beyond the expected length stay unread.
        int dumps = 0;
        rig.port.setResponder([&](const QByteArray& w) {
            return w == "U" && ++dumps == 1 ? image + "extra" : QByteArray();
        });
        std::vector<int> progress;
        rig.meter.setProgress([&](int p) { progress.push_back(p); });
        const auto dump = rig.meter.DumpMemory(static_cast<int>(image.size()));
        QVERIFY(dump.has_value());
        QCOMPARE(*dump, image);
        QCOMPARE(rig.port.countWrites("U"), 2);
        QCOMPARE(progress.back(), 100);
    }

    void dump_endsAsAFailureWhenTheMeterStopsSending() {
        Rig rig;
        rig.port.setResponder(
            [](const QByteArray& w) { return w == "U" ? QByteArray(300, 'a') : QByteArray(); });
        const double start = rig.clock.now();
        QVERIFY(!rig.meter.DumpMemory(1000).has_value());
        const double waited = rig.clock.now() - start;
        QVERIFY(waited >= bound::kDumpSilence && waited < bound::kDumpSilence + 1);
        QCOMPARE(rig.port.countWrites("U"), 1);
    }

    void erase_waitsFiveSecondsThenReadsTheSetCount() {
        Rig rig;
        rig.script.onRead = [](const QByteArray& w) {
            return w.at(1) == memory::kSetCount ? frame({0}) : frame({9});
        };
        rig.meter.state().CellValue = 4;
        rig.meter.EraseMemory();
        const auto w = rig.port.writes();
        QCOMPARE(w.front().bytes, QByteArray("EEE"));
        QVERIFY(qFuzzyCompare(w.at(1).at - w.at(0).at, 5.0));
        QCOMPARE(rig.meter.state().CellValue, 0);
    }

    void waits_endOnStopOnDeadlineAndOnALostPort() {
        Rig rig;
        rig.clock.interrupt();
        QVERIFY_THROWS_EXCEPTION(LinkStopped, rig.meter.StatusPoll());
        rig.clock.clearInterrupt();

        rig.script.onStatus = [](const QByteArray&) { return QByteArray(); };
        rig.meter.setDeadline(rig.clock.now() + 2.0);
        QVERIFY_THROWS_EXCEPTION(LinkTimeout, rig.meter.StatusPoll());
        rig.meter.setDeadline(std::nullopt);

        rig.port.setFailed(true);
        QVERIFY_THROWS_EXCEPTION(PortLost, rig.meter.ReadCell(1));
        rig.port.setFailed(false);
        rig.port.close();
        QVERIFY_THROWS_EXCEPTION(LinkStopped, rig.meter.PressKey(1));
    }

    void delay_alwaysWaitsItsFullLength() {
        VirtualClock clock(86399.9); // a moment before midnight on the old seconds clock
        FakePort port(clock, nd::test::answerLikeAMeter);
        port.open();
        Meter meter(port, clock);
        meter.Delay(0.5);
        QVERIFY(qFuzzyCompare(clock.now(), 86400.4));
    }
};

QTEST_APPLESS_MAIN(ProtocolTest)
#include "test_protocol.moc"
