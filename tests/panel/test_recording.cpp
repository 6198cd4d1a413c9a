// PC sampling interval and recording from the main window, on the in-process virtual
// meter: the interval dialogs, the file, start and stop, the dBA stop, a silent meter.
#include "PanelRig.h"
#include "panel/ClickableLabel.h"
#include "panel/RecordingControls.h"
#include "panel/SampleSchedule.h"
#include "stored/DataFile.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using nd::dialogs::Answer;
using nd::panel::SampleIntervalAnswer;
using nd::test::PanelRig;

namespace {

constexpr int kWait = 10000;

QAction* action(PanelRig& rig, const QString& name) {
    return rig.panel->findChild<QAction*>(name);
}

QString label(PanelRig& rig, const QString& name) {
    return rig.find<QLabel>(name)->text();
}

void loadOnline(PanelRig& rig) {
    rig.load();
    QVERIFY(QTest::qWaitFor([&] { return rig.state().PollCount > 2; }, kWait));
}

/// Chooses `path` with "Save as" and starts recording at 0.2 s.
void startRecording(PanelRig& rig, const QString& path) {
    rig.panel->programState().SampleInterval = 2;
    rig.dialogs.answerSaveFile(path);
    action(rig, "MnuOpen")->trigger();
    QVERIFY(action(rig, "MnuStartRecording")->isEnabled());
    action(rig, "MnuStartRecording")->trigger();
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
        QTest::newRow("2") << "2" << int(V::Value) << 20 << "2 Sec";
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

    void cancellingTheDialog_changesNothing_andThePortugueseTextsAreRight() {
        PanelRig rig;
        rig.dialogs.answerInput(QString("10"));
        rig.find<QPushButton>("CmdSample")->click();
        QCOMPARE(rig.panel->programState().SampleInterval, 100);
        rig.dialogs.answerInput(std::nullopt);
        rig.find<QPushButton>("CmdSample")->click();
        QCOMPARE(rig.panel->programState().SampleInterval, 100);
        rig.dialogs.answerInput(QString("abc"));
        emit rig.find<nd::panel::ClickableLabel>("LblPC")->clicked();
        QCOMPARE(rig.panel->programState().SampleInterval, 100);
        QCOMPARE(rig.dialogs.shown()[2].title, QString("Alteração da taxa de amostragem"));
        QCOMPARE(rig.dialogs.shown()[2].text,
                 QString("Digite o valor desejado, de 0.2 até 60 segundos"));
        QCOMPARE(rig.dialogs.shown()[2].detail, QString("10"));
        QCOMPARE(rig.dialogs.messages().last(),
                 QString("Digite um número de segundos, de 0.2 até 60."));
    }

    void theSchedule_booksFromTheDueTime_data() {
        QTest::addColumn<double>("tickAt");
        QTest::addColumn<double>("next");
        QTest::newRow("on time") << 101.5 << 103.0;
        QTest::newRow("late tick, no drift") << 101.7 << 103.0;
        QTest::newRow("slots missed while busy are skipped") << 105.0 << 106.0;
    }
    void theSchedule_booksFromTheDueTime() {
        nd::panel::SampleSchedule schedule;
        schedule.setSampleInterval(15);
        QVERIFY(schedule.tick(100.0, QDateTime::currentDateTime()));
        QFETCH(double, tickAt);
        QVERIFY(schedule.tick(tickAt, QDateTime::currentDateTime()));
        QTEST(schedule.NextSampleTime(), "next");
    }

    void aRecording_writesLinesAsItGoes_andStops() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        loadOnline(rig);
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.dat");
        startRecording(rig, path);
        QVERIFY(rig.panel->programState().Recording);
        QVERIFY(!action(rig, "MnuView")->isEnabled()); // no Open while recording
        QVERIFY(QTest::qWaitFor([&] { return label(rig, "LblCount").toInt() >= 5; }, kWait));
        // Every line is in the file while the recording runs.
        const auto during = nd::stored::readDataFile(path);
        QVERIFY(during.ok());
        QVERIFY(during.content->list.rows.size() >= 5);
        action(rig, "MnuStopRecording")->trigger();
        QVERIFY(!rig.panel->programState().Recording);
        QVERIFY(!action(rig, "MnuStartRecording")->isEnabled());
        QVERIFY(!action(rig, "MnuStopRecording")->isEnabled());
        QCOMPARE(label(rig, "LblCount"), QString());
        QVERIFY(action(rig, "MnuView")->isEnabled());
        const auto after = nd::stored::readDataFile(path);
        QCOMPARE(after.content->flavour, nd::stored::DataFlavour::Recording);
        for (const auto& row : after.content->list.rows)
            QCOMPARE(row.value, QString("94.5"));
    }

    void leavingDba_stopsTheRecording_withoutALineOfAnotherMode() {
        PanelRig rig;
        loadOnline(rig);
        QTemporaryDir dir;
        startRecording(rig, dir.filePath("rec.dat"));
        QVERIFY(QTest::qWaitFor([&] { return label(rig, "LblCount").toInt() >= 2; }, kWait));
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QVERIFY(QTest::qWaitFor([&] { return !rig.panel->programState().Recording; }, kWait));
        QVERIFY(rig.dialogs.messages().last().contains("left dBA"));
        const auto read = nd::stored::readDataFile(dir.filePath("rec.dat"));
        QVERIFY(read.ok());
        for (const auto& row : read.content->list.rows)
            QVERIFY2(row.level.isSound(), qPrintable(row.value));
    }

    void cancelOnNotDba_startsNothing() {
        PanelRig rig;
        loadOnline(rig);
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QVERIFY(QTest::qWaitFor([&] { return rig.state().DoseMode; }, kWait));
        QTemporaryDir dir;
        rig.dialogs.answerMessage(Answer::Cancel);
        startRecording(rig, dir.filePath("rec.dat"));
        QCOMPARE(rig.dialogs.messages().last(), QString("Not dBA mode, continue? "));
        QVERIFY(!rig.panel->programState().Recording);
        QVERIFY(!QFile::exists(dir.filePath("rec.dat")));
    }

    void aFileThatCannotBeCreated_isSaid_andNothingRecords() {
        PanelRig rig;
        loadOnline(rig);
        QTemporaryDir dir;
        startRecording(rig, dir.filePath("no/such/folder/rec.dat"));
        QVERIFY(!rig.panel->programState().Recording);
        QVERIFY(rig.dialogs.messages().last().contains("could not be created"));
    }

    void aSilentMeter_writesNoLine_andTheMissesAreCounted() {
        PanelRig rig;
        loadOnline(rig);
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.dat");
        startRecording(rig, path);
        QVERIFY(QTest::qWaitFor([&] { return label(rig, "LblCount").toInt() >= 2; }, kWait));
        nd::sim::Faults silent;
        silent.silent = true;
        rig.meter->setFaults(silent);
        QVERIFY(QTest::qWaitFor([&] { return label(rig, "LblCount").contains("missed"); }, kWait));
        // The last digits stay, dimmed, while the link says "No COM".
        auto* value = rig.find<QLabel>("LblValue");
        QVERIFY(QTest::qWaitFor([&] { return label(rig, "LblCOM") == "No COM"; }, kWait));
        QVERIFY(value->property("stale").toBool());
        QVERIFY(value->palette().color(QPalette::WindowText) !=
                QApplication::palette(value).color(QPalette::WindowText));
        const auto whileSilent = nd::stored::readDataFile(path).content->list.rows.size();
        QTest::qWait(600);
        QCOMPARE(nd::stored::readDataFile(path).content->list.rows.size(), whileSilent);
        rig.meter->setFaults({});
        QVERIFY(QTest::qWaitFor(
            [&] { return nd::stored::readDataFile(path).content->list.rows.size() > whileSilent; },
            kWait));
        QVERIFY(rig.panel->programState().Recording);
        QVERIFY(!value->property("stale").toBool());
        QCOMPARE(value->palette().color(QPalette::WindowText),
                 QApplication::palette(value).color(QPalette::WindowText));
    }
};

QTEST_MAIN(RecordingTest)
#include "test_recording.moc"
