// The main window against the in-process virtual meter, headless.
#include "PanelRig.h"
#include "panel/PanelTexts.h"
#include "realtime/ui/Average.h"
#include "stored/ui/List.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

using nd::dialogs::Answer;
using nd::test::PanelRig;

namespace {

constexpr int kWait = 5000;

void switchMeterToDose(PanelRig& rig) {
    rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblUnit"), QString("%DOSE"), kWait);
}

/// The visible top-level window with that title, if any.
QWidget* shownWindow(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowTitle() == title && w->isVisible())
            return w;
    }
    return nullptr;
}

/// A way to open a window and the flag that tells it is open; the meter in dose mode or
/// not, and the answer to the dBA question (-1: none is asked).
struct Opening {
    const char* opener;
    bool nd::panel::ProgramState::*opened;
    bool dose;
    int answer;
};

} // namespace

Q_DECLARE_METATYPE(Opening)

class PanelWindow : public QObject {
    Q_OBJECT

private slots:
    void offline_whenThePortCannotOpen_saysWhyAndDisablesTheMeterCommands() {
        PanelRig rig;
        rig.load(nd::link::OpenError::Busy);
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 1, kWait);
        const QString message = rig.dialogs.messages().front();
        QVERIFY(message.startsWith("No device available !"));
        QVERIFY2(message.contains("in use by another program"), qPrintable(message));
        QCOMPARE(rig.text("LblCOM"), QString("Offline Mode"));
        for (const char* name : {"CmdSample", "CmdMemory", "CmdAvg", "CmdGraph", "CmdEvent",
                                 "cmdList", "SSPanel3", "SSPanel22"})
            QVERIFY2(!rig.find(name)->isEnabled(), name);
        for (const char* name : {"MnuOpen", "MnuDisplay", "MnuJob", "MnuSetmode"})
            QVERIFY2(!rig.action(name)->isEnabled(), name);
        // Files can still be opened; a cell read on the closed port says so.
        QVERIFY(rig.action("MnuView")->isEnabled());
        rig.find<QLineEdit>("TxtRAdd")->setText("5");
        rig.activate("CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 2, kWait);
        QCOMPARE(rig.dialogs.messages().back(), QString("No device available !"));
        QVERIFY(rig.text("TxtRData").isEmpty());
    }

    void online_samplesAtOnceAndShowsTheReadingAndTheMetersSettings() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        QSignalSpy samples(rig.panel.get(), &nd::panel::Panel::sampleTaken);
        rig.load();
        QVERIFY(samples.wait(kWait));
        QCOMPARE(rig.panel->sampleSchedule().TickCount(), 1);
        QCOMPARE(rig.text("LblTime"), samples.front().front().toString().split('\t')[1].left(8));
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QCOMPARE(rig.text("LblCOM"), QString("COM3"));
        QCOMPARE(rig.text("LblCriterion") + rig.text("LblExchangeRate"), QString("905"));
        QCOMPARE(rig.text("LblThreshold"), QString::number(rig.meter->cell(59)));
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    // A reset takes the reading shown; in dose mode it would take the dose digits as a
    // level, so it leaves both.
    void maxMin_resetTakesTheReadingButNotInDoseMode() {
        PanelRig rig;
        rig.meter->setFixedLevel(95.0);
        QVERIFY(rig.loadOnline());
        rig.meter->setFixedLevel(90.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("90.0"), kWait);
        QCOMPARE(rig.text("LblMax"), QString("95.0"));
        rig.activate("CmdReset");
        QCOMPARE(rig.text("LblMax") + rig.text("LblMin"), QString("90.090.0"));
        rig.meter->setFixedLevel(88.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblMin"), QString("88.0"), kWait);
        switchMeterToDose(rig);
        rig.activate("CmdReset");
        QCOMPARE(rig.text("LblMax") + rig.text("LblMin"), QString("90.088.0"));
    }

    // Graph and List ask before leaving dose mode, once for two quick clicks; Average
    // switches without asking.
    void dbaCheck_asksOnlyOutsideDbaAndSwitchesUnlessCancelled_data() {
        using S = nd::panel::ProgramState;
        QTest::addColumn<Opening>("c");
        QTest::newRow("in dose, OK") << Opening{"CmdGraph", &S::GraphOpen, true, int(Answer::Ok)};
        QTest::newRow("in dose, Cancel")
            << Opening{"MnuList", &S::ListRecording, true, int(Answer::Cancel)};
        QTest::newRow("in dBA") << Opening{"MnuGraph", &S::GraphOpen, false, -1};
        QTest::newRow("Average") << Opening{"CmdAvg", &S::AverageOpen, true, -1};
    }
    void dbaCheck_asksOnlyOutsideDbaAndSwitchesUnlessCancelled() {
        QFETCH(Opening, c);
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        if (c.dose)
            switchMeterToDose(rig);
        rig.port->clearWrites();
        if (c.answer >= 0)
            rig.dialogs.answerMessage(Answer(c.answer));
        rig.activate(c.opener);
        rig.activate(c.opener); // while the first check still runs
        QTRY_VERIFY_WITH_TIMEOUT(rig.program().*c.opened, kWait);
        QCOMPARE(rig.dialogs.messages(),
                 c.answer >= 0 ? QStringList{"Not dBA mode, continue? "} : QStringList{});
        const bool switched = c.dose && c.answer != int(Answer::Cancel);
        const bool dba = !c.dose || switched;
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblUnit"), QString(dba ? "dBA" : "%DOSE"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(rig.state().DbaMode, dba);
        QCOMPARE(rig.countSent("F") > 0, switched); // the MODE key
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    void dbaCheck_onASilentMeter_opensAtOnceInDbaAndAtTheTimeLimitOtherwiseAndExitEndsAll() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        rig.program().SampleInterval = 2; // 0.2 s
        rig.meter->setFaults({.silent = true});
        rig.activate("MnuDigital");
        QVERIFY(rig.program().DigitalOpen); // in dBA: no check, no wait
        QSignalSpy samples(rig.panel.get(), &nd::panel::Panel::sampleTaken);
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait); // the schedule is not held

        rig.meter->setFaults({});
        switchMeterToDose(rig);
        rig.meter->setFaults({.silent = true});
        rig.dialogs.answerMessage(Answer::Ok);
        const double asked = rig.clock->now();
        rig.activate("MnuAnalog");
        rig.activate("MnuGraph"); // asked meanwhile: opened after, not lost
        QVERIFY(!rig.program().AnalogOpen);
        QTRY_VERIFY_WITH_TIMEOUT(rig.program().AnalogOpen, kWait);
        QVERIFY(rig.clock->now() - asked >= nd::panel::kDbaCheckTimeLimit);
        samples.clear();
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(rig.program().GraphOpen, 3 * kWait);

        QSignalSpy ended(rig.panel.get(), &nd::panel::Panel::programEnded);
        rig.activate("MnuExit"); // ends every window
        QCOMPARE(ended.size(), 1);
        QVERIFY(!rig.panel->meterLink()->isRunning() && !rig.port->isOpen());
        QVERIFY2(!shownWindow("Digital") && !shownWindow("Analog"), "a display still open");
    }

    // Average clicked twice presses MODE once per step, and the value caption goes from
    // the dose straight to the level: never the dose digits read as a level ("142.0").
    void average_twoQuickClicksStepOnceAndShowNoValueTheMeterDidNotSend() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        QVERIFY(rig.loadOnline());
        switchMeterToDose(rig);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("0.00"), kWait);
        rig.port->clearWrites();
        QSignalSpy captions(rig.panel.get(), &nd::panel::Panel::valueCaptionChanged);
        rig.activate("CmdAvg");
        rig.activate("CmdAvg");
        QTRY_VERIFY_WITH_TIMEOUT(rig.program().AverageOpen, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(captions.size(), 1);
        QCOMPARE(rig.countSent(nd::link::Bytes({'F', nd::link::keys::kMode})), 3);
    }

    void close_asksOnceNamingEverythingUnsaved_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("cancel keeps every window") << int(Answer::Cancel) << false;
        QTest::newRow("discard ends without more questions") << int(Answer::Discard) << true;
        QTest::newRow("save writes both, then ends") << int(Answer::Save) << true;
    }
    void close_asksOnceNamingEverythingUnsaved() {
        QFETCH(int, answer);
        QFETCH(bool, ends);
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().DbaMode, kWait);
        rig.program().SampleInterval = 2;
        rig.activate("cmdList");
        rig.activate("CmdAvg");
        QTRY_VERIFY_WITH_TIMEOUT(rig.find<nd::stored::ui::List>("List") &&
                                     rig.find<nd::realtime::ui::Average>("Average"),
                                 kWait);
        auto* list = rig.find<nd::stored::ui::List>("List");
        auto* average = rig.find<nd::realtime::ui::Average>("Average");
        rig.dialogs.answerInput(QString("00:00:01"));
        average->askInterval();
        average->start();
        QTRY_VERIFY_WITH_TIMEOUT(
            list->model().rowCount() >= 2 && average->snapshot().rows.size() >= 1, kWait);
        rig.panel->show();
        rig.dialogs.clear();

        QTemporaryDir dir;
        rig.dialogs.answerMessage(static_cast<Answer>(answer));
        rig.dialogs.answerSaveFile(dir.filePath("list.dat"));
        rig.dialogs.answerSaveFile(dir.filePath("run.avg"));
        QSignalSpy ended(rig.panel.get(), &nd::panel::Panel::programEnded);
        rig.panel->close();

        QCOMPARE(rig.dialogs.messages().size(), 1);
        const QString asked = rig.dialogs.messages().front();
        QVERIFY2(asked.contains("List: ") && asked.contains("Average: "), qPrintable(asked));
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(rig.panel->meterLink()->isRunning(), !ends);
        QCOMPARE(bool(shownWindow("Panel")), !ends);
        QCOMPARE(bool(shownWindow("Average")), !ends);
        const bool saved = answer == int(Answer::Save);
        QCOMPARE(QFileInfo::exists(dir.filePath("list.dat")), saved);
        QCOMPARE(QFileInfo::exists(dir.filePath("run.avg")), saved);
    }

    void event_whileKeysAreLocked_saysKeyLocked() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        rig.meter->setKeyLocked(true);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().KeyLocked, kWait);
        rig.activate("CmdEvent");
        QCOMPARE(rig.dialogs.messages(), QStringList{"Key locked!"});
        QVERIFY(!rig.find<QMainWindow>("FrmEvent"));
        rig.activate("MnuEvents"); // the menu does not look at the keys
        QVERIFY(rig.find<QMainWindow>("FrmEvent"));
    }

    // The limits are the cell rules' own; here a refusal sends nothing.
    void cells_emptyAddressReadsCellZeroEnterReadsOrWritesAndAFailedReadKeepsTheValue() {
        PanelRig rig;
        rig.meter->setCell(0, 17);
        rig.meter->setCell(300, 42);
        QVERIFY(rig.loadOnline());
        rig.activate("CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("TxtRData"), QString("17"), kWait);

        auto* address = rig.find<QLineEdit>("TxtRAdd");
        QTest::keyClicks(address, "300");
        QTest::keyClick(address, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("TxtRData"), QString("42"), kWait);

        QTest::keyClicks(rig.find<QLineEdit>("TxtWAdd"), "513");
        auto* data = rig.find<QLineEdit>("TxtWData");
        QTest::keyClicks(data, "9");
        QTest::keyClick(data, Qt::Key_Enter);
        QTRY_COMPARE_WITH_TIMEOUT(rig.meter->cell(513), 9, kWait);
        data->setText("256");
        rig.port->clearWrites();
        rig.activate("CmdWrite");
        QVERIFY(rig.dialogs.messages().value(0).contains("0 to 255"));
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(rig.countSent("W"), 0);

        rig.meter->setFaults({.deafCell = 100});
        address->setText("100");
        rig.activate("CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 2, 2 * kWait);
        QCOMPARE(rig.dialogs.messages().back(),
                 QString("The meter did not answer: cell 100 was not read."));
        QCOMPARE(rig.text("TxtRData"), QString("42")); // not the threshold the fall-back read
    }

    // Installed: bin/ and share/noisedesk/help/; a missing file and a missing viewer named.
    void help_findsTheInstalledDocumentAndNamesAMissingOne() {
        PanelRig rig;
        QTemporaryDir prefix;
        const QString bin = prefix.filePath("bin");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath("share/noisedesk/help")));
        const QString installed = nd::panel::helpDocumentCandidates(bin, 2).back();
        QVERIFY(installed.startsWith(prefix.filePath("share/noisedesk/help/")));
        QFile file(installed);
        QVERIFY(file.open(QIODevice::WriteOnly));
        rig.panel->setProgramFolder(bin);
        rig.activate("MenuOpt(2)");
        QCOMPARE(rig.dialogs.openedDocuments(), QList{QUrl::fromLocalFile(installed)});
        rig.dialogs.setOpenDocumentResult(false);
        rig.activate("MenuOpt(2)");
        QVERIFY(rig.dialogs.messages().back().contains("No program to show PDF documents"));
        QVERIFY(QFile::remove(installed));
        rig.activate("MenuOpt(2)");
        QCOMPARE(rig.dialogs.messages().size(), 2);
        QVERIFY(rig.dialogs.messages().back().contains(installed));
    }

    // The live list fed by the sample schedule: rows while the meter answers, none while
    // it is silent, and leaving dBA stops it but keeps the window.
    void liveList_followsTheMeter() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        rig.program().SampleInterval = 2; // a sample every 0.2 s
        rig.activate("cmdList");
        QTRY_VERIFY_WITH_TIMEOUT(rig.find<nd::stored::ui::List>("List"), 2 * kWait);
        auto* list = rig.find<nd::stored::ui::List>("List");
        QVERIFY(rig.program().ListRecording);
        QTRY_VERIFY_WITH_TIMEOUT(list->model().rowCount() >= 3, 2 * kWait);
        QCOMPARE(list->model().list().rows.front().number, QString("1"));

        // A silent meter: the value shown goes stale and the list adds nothing.
        rig.meter->setFaults({.silent = true});
        QTRY_VERIFY_WITH_TIMEOUT(list->missedCount() >= 3, 2 * kWait);
        const int rows = list->model().rowCount();
        QTest::qWait(600);
        QCOMPARE(list->model().rowCount(), rows);

        rig.meter->setFaults({});
        QTRY_VERIFY_WITH_TIMEOUT(list->model().rowCount() > rows, 4 * kWait);

        // Leaving dBA stops the collection; the window and its rows stay.
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QTRY_VERIFY_WITH_TIMEOUT(!list->collecting(), 2 * kWait);
        QVERIFY(!rig.program().ListRecording);
        QVERIFY(list->isVisible());
        QVERIFY(list->model().rowCount() > rows);
        for (const auto& row : list->model().list().rows)
            QVERIFY(row.level.isSound()); // no %DOSE text ever got in
    }
};

QTEST_MAIN(PanelWindow)
#include "test_panel_window.moc"
