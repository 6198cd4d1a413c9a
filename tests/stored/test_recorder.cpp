// The recorder behind "Start Recording" and `noisedesk-cli record`, and the freshness of
// readings: missed samples, the dBA stop, the sample limit, a write that fails.

#include "ReadingState.h"
#include "stored/DataFile.h"
#include "stored/Recorder.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace nd::stored;

namespace {

Reading level(const QString& text) {
    return {{}, 0.0, text, parseLevel(text)};
}

nd::link::MeterState dbaState(std::uint64_t polls, const QString& caption = "COM3") {
    nd::link::MeterState s = nd::test::readingState("0945", 94.5);
    s.DbaMode = true;
    s.PollCount = polls;
    s.LinkCaption = caption;
    return s;
}

} // namespace

class RecorderTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void linesAreNumberedBySample_andMissedOnesLeaveAGap() {
        Recorder rec;
        const QString path = m_dir.filePath("a.dat");
        QVERIFY(!rec.start(path));
        QCOMPARE(rec.add("2024/03/15", "09:41:00.0", level("94.5")), Recorder::Step::Written);
        QCOMPARE(rec.add("2024/03/15", "09:41:02.0", Reading{}), Recorder::Step::Missed);
        QCOMPARE(rec.add("2024/03/15", "09:41:04.0", level("OL")), Recorder::Step::Written);
        QCOMPARE(rec.countText(), QString("2 (1 missed)"));
        // Readable while still open: every line reaches the file as it is written.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("No.s\tDate\tTime\tdBA\r\n"
                                         "1\t2024/03/15\t09:41:00.0\t94.5\r\n"
                                         "3\t2024/03/15\t09:41:04.0\tOL\r\n"));
        rec.stop();
        QVERIFY(readDataFile(path).ok());
    }

    void leavingDba_stopsBeforeAnyLine() {
        Recorder rec;
        QVERIFY(!rec.start(m_dir.filePath("b.dat")));
        QCOMPARE(rec.add("2024/03/15", "09:41:00.0", {{}, 0.0, "0.12", {LevelKind::NotLevel, 0.0}}),
                 Recorder::Step::LeftDba);
        QVERIFY(!rec.isRecording());
        QCOMPARE(rec.recordCount(), 0);
        QCOMPARE(QFileInfo(m_dir.filePath("b.dat")).size(), qint64(20)); // the header alone
        QVERIFY(rec.start(m_dir.filePath("no/such/folder.dat")).has_value());
        QVERIFY(!rec.isRecording());
    }

    void stopsAtTheSampleLimit() {
        Recorder rec;
        QVERIFY(!rec.start(m_dir.filePath("c.dat")));
        Recorder::Step step = Recorder::Step::Written;
        int written = 0;
        while (step == Recorder::Step::Written) {
            step = rec.add("2024/03/15", "09:41:00.0", level("80.0"));
            ++written;
        }
        QCOMPARE(step, Recorder::Step::Full);
        QCOMPARE(written, Recorder::kMaxSamples);
    }

    void aWriteThatFails_stopsAndSaysWhy() {
        // A file size limit makes the third line fail, as a full disk would: the system
        // takes part of it, then refuses the rest.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 85; // the third line only partly fits
        setrlimit(RLIMIT_FSIZE, &small);
        Recorder rec;
        const bool started = !rec.start(m_dir.filePath("d.dat"));
        Recorder::Step step = Recorder::Step::Written;
        for (int i = 0; i < 5 && step == Recorder::Step::Written; ++i)
            step = rec.add("2024/03/15", "09:41:00.0", level("80.0"));
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(started);
        QCOMPARE(step, Recorder::Step::WriteFailed);
        QVERIFY(!rec.isRecording());
        // The system's reason (EFBIG here, ENOSPC on a full disk), not "Unknown error".
        QVERIFY2(rec.error().contains("large", Qt::CaseInsensitive), qPrintable(rec.error()));
    }

    // When was the last frame decoded, what does the link caption say, and when is the
    // sample due: fresh readings only.
    void freshness_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("sampleAt");
        QTest::addColumn<QString>("text");
        QTest::newRow("just read") << "COM3" << 10.5 << "94.5";
        QTest::newRow("a second old") << "COM3" << 11.0 << "94.5";
        QTest::newRow("older than a second") << "COM3" << 11.2 << "";
        QTest::newRow("a repeated frame is not a new one") << "COM3" << 11.02 << "";
        QTest::newRow("meter not answering") << "No COM" << 10.1 << "";
    }
    void freshness() {
        QFETCH(double, sampleAt);
        QFETCH(QString, caption);
        FreshReading fresh;
        fresh.observe(dbaState(7), 10.0);
        fresh.observe(dbaState(7, caption), 10.05); // no new frame, maybe a new caption
        const Reading r = fresh.at({}, sampleAt);
        QTEST(r.text, "text");
        QCOMPARE(r.level.kind == LevelKind::Missing, r.text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(RecorderTest)
#include "test_recorder.moc"
