// PC sampling interval and recording from the main window, on the in-process virtual
// meter: the interval dialogs, the file, start and stop, the dBA stop, a silent meter.
#include "PanelRig.h"
#include "panel/ClickableLabel.h"
#include "panel/RecordingControls.h"
#include "stored/DataFile.h"

#include <QTemporaryDir>
#include <QTest>

using nd::dialogs::Answer;
using nd::panel::SampleIntervalAnswer;
using nd::test::PanelRig;

namespace {

constexpr int kWait = 10000;

/// Chooses `path` with "Save as" and starts recording at 0.2 s.
void startRecording(PanelRig& rig, const QString& path) {
    rig.program().SampleInterval = 2;
    rig.dialogs.answerSaveFile(path);
    rig.activate("MnuOpen");
    QVERIFY(rig.action("MnuStartRecording")->isEnabled());
    rig.activate("MnuStartRecording");
}

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT

private slots:
    void sampleIntervalAnswers_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("caption");
        using V = SampleIntervalAnswer::Verdict;
        // Ten times the number for every value: 10 s samples every 10 s, not 9.
        QTest::newRow("10") << "10" << int(V::Value) << 100 << "10 Sec";
        QTest::newRow("1.5") << "1.5" << int(V::Value) << 15 << "1.5 Sec";
        QTest::newRow("100 clamps") << "100" << int(V::Value) << 600 << "60 Sec";
        QTest::newRow(".1 clamps") << ".1" << int(V::Value) << 2 << "0.2 Sec";
        QTest::newRow("empty") << "" << int(V::Nothing) << 0 << "";
        QTest::newRow("words") << "ten" << int(V::NotANumber) << 0 << "";
        QTest::newRow("comma") << "1,5" << int(V::NotANumber) << 0 << "";
    }
    void sampleIntervalAnswers() {
        QFETCH(QString, typed);
        const SampleIntervalAnswer a = nd::panel::parseSampleIntervalAnswer(typed);
        QTEST(int(a.verdict), "verdict");
        QTEST(a.tenths, "tenths");
        QTEST(a.caption, "caption");
    }

    void cancellingOrAWrongAnswer_changesNothing() {
        PanelRig rig;
        rig.dialogs.answerInput(QString("10"));
        rig.activate("CmdSample");
        rig.dialogs.answerInput(std::nullopt);
        rig.activate("CmdSample");
        rig.dialogs.answerInput(QString("abc"));
        emit rig.find<nd::panel::ClickableLabel>("LblPC")->clicked();
        QCOMPARE(rig.program().SampleInterval, 100);
        QCOMPARE(rig.dialogs.shown()[2].detail, QString("10")); // the interval as it stands
        QCOMPARE(rig.dialogs.messages().last(),
                 QString("Digite um número de segundos, de 0.2 até 60."));
    }

    void aRecording_writesLinesAsItGoes_andStops() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        QVERIFY(rig.loadOnline());
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.dat");
        startRecording(rig, path);
        QVERIFY(rig.program().Recording);
        QVERIFY(!rig.action("MnuView")->isEnabled()); // no Open while recording
        QVERIFY(QTest::qWaitFor([&] { return rig.text("LblCount").toInt() >= 5; }, kWait));
        // Every line is in the file while the recording runs.
        QVERIFY(nd::stored::readDataFile(path).content->list.rows.size() >= 5);
        rig.activate("MnuStopRecording");
        QVERIFY(!rig.program().Recording);
        QVERIFY(!rig.action("MnuStopRecording")->isEnabled());
        QCOMPARE(rig.text("LblCount"), QString());
        QVERIFY(rig.action("MnuView")->isEnabled());
        const auto after = nd::stored::readDataFile(path);
        QCOMPARE(after.content->flavour, nd::stored::DataFlavour::Recording);
        for (const auto& row : after.content->list.rows)
            QCOMPARE(row.value, QString("94.5"));
    }

    void leavingDba_stopsTheRecording_withoutALineOfAnotherMode() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        QTemporaryDir dir;
        startRecording(rig, dir.filePath("rec.dat"));
        QVERIFY(QTest::qWaitFor([&] { return rig.text("LblCount").toInt() >= 2; }, kWait));
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QVERIFY(QTest::qWaitFor([&] { return !rig.program().Recording; }, kWait));
        QVERIFY(rig.dialogs.messages().last().contains("left dBA"));
        const auto read = nd::stored::readDataFile(dir.filePath("rec.dat"));
        QVERIFY(read.ok());
        for (const auto& row : read.content->list.rows)
            QVERIFY2(row.level.isSound(), qPrintable(row.value));
    }

    // A file that cannot be created, or Cancel at the dBA question: said, and nothing
    // records.
    void aRefusedStart_recordsNothing() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        QTemporaryDir dir;
        startRecording(rig, dir.filePath("no/such/rec.dat"));
        QVERIFY(rig.dialogs.messages().last().contains("could not be created"));
        QVERIFY(!rig.program().Recording);
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QVERIFY(QTest::qWaitFor([&] { return rig.state().DoseMode; }, kWait));
        rig.dialogs.answerMessage(Answer::Cancel);
        startRecording(rig, dir.filePath("rec.dat"));
        QCOMPARE(rig.dialogs.messages().last(), QString("Not dBA mode, continue? "));
        QVERIFY(!rig.program().Recording);
        QVERIFY(!QFile::exists(dir.filePath("rec.dat")));
    }

    void aSilentMeter_writesNoLine_andTheMissesAreCounted() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.dat");
        startRecording(rig, path);
        QVERIFY(QTest::qWaitFor([&] { return rig.text("LblCount").toInt() >= 2; }, kWait));
        rig.meter->setFaults({.silent = true});
        QVERIFY(QTest::qWaitFor([&] { return rig.text("LblCount").contains("missed"); }, kWait));
        // The last digits stay, dimmed, while the link says "No COM".
        auto* value = rig.find<QLabel>("LblValue");
        QVERIFY(QTest::qWaitFor([&] { return rig.text("LblCOM") == "No COM"; }, kWait));
        QVERIFY(value->property("stale").toBool());
        const auto whileSilent = nd::stored::readDataFile(path).content->list.rows.size();
        QTest::qWait(600);
        QCOMPARE(nd::stored::readDataFile(path).content->list.rows.size(), whileSilent);
        rig.meter->setFaults({});
        QVERIFY(QTest::qWaitFor(
            [&] { return nd::stored::readDataFile(path).content->list.rows.size() > whileSilent; },
            kWait));
        QVERIFY(rig.program().Recording);
        QVERIFY(!value->property("stale").toBool());
    }
};

QTEST_MAIN(RecordingTest)
#include "test_recording.moc"
