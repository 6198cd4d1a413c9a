// The main window against the in-process virtual meter, headless.
#include "PanelRig.h"
#include "panel/PanelTexts.h"
#include "realtime/ui/Average.h"
#include "stored/ui/List.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using nd::dialogs::Answer;
using nd::dialogs::Buttons;
using nd::dialogs::Icon;
using nd::test::PanelRig;

namespace nd::test {

QString PanelRig::text(const QString& labelName) const {
    if (auto* label = find<QLabel>(labelName))
        return label->text();
    if (auto* edit = find<QLineEdit>(labelName))
        return edit->text();
    return QStringLiteral("<no %1>").arg(labelName);
}

bool PanelRig::waitForReadings(int count, int timeoutMs) const {
    const auto target = state().PollCount + static_cast<std::uint64_t>(count);
    return QTest::qWaitFor([&] { return state().PollCount >= target; }, timeoutMs);
}

bool PanelRig::sentAny(char command) const {
    for (const auto& write : port->writes()) {
        if (!write.bytes.isEmpty() && write.bytes.front() == command)
            return true;
    }
    return false;
}

} // namespace nd::test

namespace {

constexpr int kWait = 5000;

void switchMeterToDose(PanelRig& rig) {
    rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblUnit"), QString("%DOSE"), kWait);
}

void loadOnline(PanelRig& rig) {
    rig.load();
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblCOM"), QString("COM3"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.text("LblValue").isEmpty(), kWait);
}

QAction* action(PanelRig& rig, const QString& name) {
    return rig.panel->findChild<QAction*>(name);
}

/// Clicks the button or triggers the menu command of that name.
void activate(PanelRig& rig, const QString& name) {
    if (auto* button = rig.find<QPushButton>(name))
        button->click();
    else
        action(rig, name)->trigger();
}

const nd::panel::ProgramState& program(PanelRig& rig) {
    return rig.panel->programState();
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
/// A cell command with the texts typed and what the refusal must say.
struct CellEntry {
    const char *button, *address, *value, *said;
};

} // namespace

Q_DECLARE_METATYPE(Opening)
Q_DECLARE_METATYPE(CellEntry)

class PanelWindow : public QObject {
    Q_OBJECT

private slots:
    // The windows remember where they were closed; a test never touches the user's own
    // settings (the test runner gives each test its own folder).
    void initTestCase() {
        const QString file = QSettings().fileName();
        QVERIFY2(!file.startsWith(QDir::homePath() + QStringLiteral("/.config/")),
                 qPrintable(file));
    }

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
        for (const char* name :
             {"MnuOpen", "MnuDisplay", "MnuEvents", "MnuJob", "MnuOnes", "MnuSetmode"})
            QVERIFY2(!action(rig, name)->isEnabled(), name);
        // Files can still be opened and the cell boxes stay usable.
        QVERIFY(action(rig, "MnuView")->isEnabled());
        QVERIFY(rig.find("CmdRead")->isEnabled());
        QVERIFY(!program(rig).Online);

        // A cell read on the closed port says so rather than failing silently.
        rig.find<QLineEdit>("TxtRAdd")->setText("5");
        activate(rig, "CmdRead");
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
        const QStringList fields = samples.front().front().toString().split('\t');
        QCOMPARE(fields.size(), 3);
        QVERIFY(QDate::fromString(fields[0], "yyyy/MM/dd").isValid());
        QVERIFY(QTime::fromString(fields[1], "hh:mm:ss.z").isValid());
        QCOMPARE(rig.text("LblTime"), fields[1].left(8));

        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QCOMPARE(rig.text("LblCOM"), QString("COM3"));
        QCOMPARE(rig.text("LblUnit"), QString("dBA"));
        QCOMPARE(rig.text("LblCriterion"), QString("90"));
        QCOMPARE(rig.text("LblExchangeRate"), QString("5"));
        QCOMPARE(rig.text("LblTimeWeighting"), QString("Slow"));
        QCOMPARE(rig.text("LblThreshold"), QString::number(rig.meter->cell(59)));
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    void maxMin_overloadAndBlankStickUntilResetWhichDoseModeLeaves() {
        PanelRig rig;
        rig.meter->setFixedLevel(95.0);
        loadOnline(rig);
        rig.meter->setFixedLevel(150.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblMax"), QString("OL"), kWait);
        rig.meter->setFixedLevel(60.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblMin"), QString("----"), kWait);
        rig.meter->setFixedLevel(90.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("90.0"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(rig.text("LblMax"), QString("OL"));
        QCOMPARE(rig.text("LblMin"), QString("----"));
        activate(rig, "CmdReset");
        QCOMPARE(rig.text("LblMax"), QString("90.0"));
        QCOMPARE(rig.text("LblMin"), QString("90.0"));

        // A reset in dose mode would take the dose digits as a level: it leaves both.
        rig.meter->setFixedLevel(88.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblMin"), QString("88.0"), kWait);
        switchMeterToDose(rig);
        activate(rig, "CmdReset");
        QCOMPARE(rig.text("LblMax"), QString("90.0"));
        QCOMPARE(rig.text("LblMin"), QString("88.0"));
    }

    // Graph and List ask before leaving dose mode; Average switches without asking.
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
        loadOnline(rig);
        if (c.dose)
            switchMeterToDose(rig);
        rig.port->clearWrites();
        if (c.answer >= 0)
            rig.dialogs.answerMessage(Answer(c.answer));
        activate(rig, c.opener);
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).*c.opened, kWait);
        QCOMPARE(rig.dialogs.shown().size(), c.answer >= 0 ? 1 : 0);
        if (c.answer >= 0) {
            const auto& question = rig.dialogs.shown().front();
            QCOMPARE(question.text, QString("Not dBA mode, continue? "));
            QCOMPARE(question.buttons, Buttons::OkCancel);
            QCOMPARE(question.icon, Icon::Question);
        }
        const bool switched = c.dose && c.answer != int(Answer::Cancel);
        const bool dba = !c.dose || switched;
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblUnit"), QString(dba ? "dBA" : "%DOSE"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(rig.state().DbaMode, dba);
        QCOMPARE(rig.sentAny('F'), switched); // the MODE key
    }

    void graphGuard_whileOpen_asksNothingTwice() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        rig.dialogs.answerMessage(Answer::Cancel);
        activate(rig, "CmdGraph");
        activate(rig, "CmdGraph"); // while the first check still runs
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).GraphOpen, kWait);
        activate(rig, "CmdGraph");
        activate(rig, "MnuGraph");
        QVERIFY(rig.waitForReadings(1));
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    void dbaCheck_onASilentMeter_opensAtOnceInDbaAndAtTheTimeLimitOtherwise() {
        PanelRig rig;
        loadOnline(rig);
        rig.panel->programState().SampleInterval = 2; // 0.2 s
        rig.meter->setFaults({.silent = true});
        activate(rig, "MnuDigital");
        QVERIFY(program(rig).DigitalOpen); // in dBA: no check, no wait
        QSignalSpy samples(rig.panel.get(), &nd::panel::Panel::sampleTaken);
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait); // the schedule is not held

        rig.meter->setFaults({});
        switchMeterToDose(rig);
        rig.meter->setFaults({.silent = true});
        rig.dialogs.answerMessage(Answer::Ok);
        const double asked = rig.clock->now();
        activate(rig, "MnuAnalog");
        activate(rig, "MnuGraph"); // asked meanwhile: opened after, not lost
        QVERIFY(!program(rig).AnalogOpen);
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).AnalogOpen, kWait);
        QVERIFY(rig.clock->now() - asked >= nd::panel::kDbaCheckTimeLimit);
        samples.clear();
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).GraphOpen, 3 * kWait);
    }

    // Average clicked twice presses MODE once per step, and the value caption goes from
    // the dose straight to the level: never the dose digits read as a level ("142.0").
    void average_twoQuickClicksStepOnceAndShowNoValueTheMeterDidNotSend() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        loadOnline(rig);
        switchMeterToDose(rig);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("0.00"), kWait);
        rig.port->clearWrites();
        QSignalSpy captions(rig.panel.get(), &nd::panel::Panel::valueCaptionChanged);
        activate(rig, "CmdAvg");
        activate(rig, "CmdAvg");
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).AverageOpen, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(captions.size(), 1);
        int modePresses = 0;
        for (const auto& write : rig.port->writes())
            modePresses += write.bytes == nd::link::Bytes({'F', nd::link::keys::kMode}) ? 1 : 0;
        QCOMPARE(modePresses, 3); // dose, time, date, dBA
    }

    void displays_openOnceAndClearTheirFlagsOnCloseAndExitEndsAll() {
        PanelRig rig;
        loadOnline(rig);
        activate(rig, "MnuDigital");
        activate(rig, "MnuAnalog");
        QTRY_VERIFY_WITH_TIMEOUT(program(rig).DigitalOpen && program(rig).AnalogOpen, kWait);
        QWidget* digital = shownWindow("Digital");
        QVERIFY(digital && shownWindow("Analog"));
        activate(rig, "MnuDigital"); // already open: nothing
        QVERIFY(rig.waitForReadings(1));
        digital->close();
        QTRY_VERIFY_WITH_TIMEOUT(!program(rig).DigitalOpen, kWait);
        QVERIFY(program(rig).AnalogOpen);
        shownWindow("Analog")->close();
        QTRY_VERIFY_WITH_TIMEOUT(!program(rig).AnalogOpen, kWait);
        activate(rig, "MnuDigital"); // opens again once closed
        QTRY_VERIFY_WITH_TIMEOUT(shownWindow("Digital"), kWait);

        QSignalSpy ended(rig.panel.get(), &nd::panel::Panel::programEnded);
        activate(rig, "MnuExit");
        QCOMPARE(ended.size(), 1);
        QVERIFY(!rig.panel->meterLink()->isRunning());
        QVERIFY(!rig.port->isOpen());
        QVERIFY2(!shownWindow("Digital"), "Digital still open");
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
        loadOnline(rig);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().DbaMode, kWait);
        rig.panel->programState().SampleInterval = 2;
        activate(rig, "cmdList");
        activate(rig, "CmdAvg");
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
        const auto& asked = rig.dialogs.shown().front();
        QCOMPARE(asked.buttons, Buttons::SaveDiscardCancel);
        QVERIFY2(asked.text.contains("List: ") && asked.text.contains("Average: "),
                 qPrintable(asked.text));
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(rig.panel->meterLink()->isRunning(), !ends);
        QCOMPARE(bool(shownWindow("Panel")), !ends);
        QCOMPARE(bool(shownWindow(" List") || shownWindow("List")), !ends);
        QCOMPARE(bool(shownWindow("Average")), !ends);
        const bool saved = answer == int(Answer::Save);
        QCOMPARE(QFileInfo::exists(dir.filePath("list.dat")), saved);
        QCOMPARE(QFileInfo::exists(dir.filePath("run.avg")), saved);
    }

    void event_whileKeysAreLocked_saysKeyLocked() {
        PanelRig rig;
        loadOnline(rig);
        activate(rig, "CmdEvent");
        QVERIFY(rig.dialogs.shown().isEmpty());
        auto* events = rig.find<QMainWindow>("FrmEvent");
        QVERIFY(events && events->isVisible());
        events->close(); // and gone
        rig.meter->setKeyLocked(true);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().KeyLocked, kWait);
        activate(rig, "CmdEvent");
        QCOMPARE(rig.dialogs.messages(), QStringList{"Key locked!"});
        QTRY_VERIFY(!rig.find<QMainWindow>("FrmEvent"));
        action(rig, "MnuEvents")->trigger(); // the menu does not look at the keys
        QVERIFY(rig.find<QMainWindow>("FrmEvent"));
        QCOMPARE(rig.dialogs.shown().front().icon, Icon::Critical);
    }

    void keyFilters_takeDigitsOnly() {
        PanelRig rig;
        for (const char* name : {"TxtRAdd", "TxtWAdd", "TxtWData"}) {
            auto* box = rig.find<QLineEdit>(name);
            QTest::keyClicks(box, "12a");
            QCOMPARE(box->text(), QString("12"));
            QTest::keyClicks(box, "-. 3");
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClick(box, Qt::Key_Left); // the cursor keys correct a typed number
            QTest::keyClicks(box, "9");
            QCOMPARE(box->text(), QString("192"));
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClick(box, Qt::Key_Home);
            QTest::keyClicks(box, "5");
            QCOMPARE(box->text(), QString("519"));
            QApplication::clipboard()->setText("4x");
            box->paste(); // pasted text is refused whole unless it is all digits
            QCOMPARE(box->text(), QString("519"));
        }
    }

    void cells_emptyAddressReadsCellZeroEnterReadsOrWritesAndAFailedReadKeepsTheValue() {
        PanelRig rig;
        rig.meter->setCell(0, 17);
        rig.meter->setCell(300, 42);
        loadOnline(rig);
        activate(rig, "CmdRead");
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

        rig.meter->setFaults({.deafCell = 100});
        address->setText("100");
        activate(rig, "CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 1, 2 * kWait);
        QCOMPARE(rig.dialogs.messages().front(),
                 QString("The meter did not answer: cell 100 was not read."));
        QCOMPARE(rig.text("TxtRData"), QString("42")); // not the threshold the fall-back read
    }

    void cells_outOfRange_isRefusedAndNothingIsSent_data() {
        QTest::addColumn<CellEntry>("c");
        QTest::newRow("read address 70000") << CellEntry{"CmdRead", "70000", "", "0 to 65535"};
        QTest::newRow("write address 65536") << CellEntry{"CmdWrite", "65536", "1", "0 to 65535"};
        QTest::newRow("write data 256") << CellEntry{"CmdWrite", "100", "256", "0 to 255"};
    }
    void cells_outOfRange_isRefusedAndNothingIsSent() {
        QFETCH(CellEntry, c);
        const QString button = c.button;
        PanelRig rig;
        loadOnline(rig);
        rig.port->clearWrites();
        QTest::keyClicks(rig.find<QLineEdit>(button == "CmdRead" ? "TxtRAdd" : "TxtWAdd"),
                         c.address);
        QTest::keyClicks(rig.find<QLineEdit>("TxtWData"), c.value);
        activate(rig, button);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY2(rig.dialogs.messages().front().contains(c.said),
                 qPrintable(rig.dialogs.messages().front()));
        QVERIFY(rig.waitForReadings(2));
        QVERIFY(!rig.sentAny('W'));
        QVERIFY(rig.text("TxtRData").isEmpty()); // no cell was read either
    }

    void lblComClickTogglesTheCaptionAndTwaNoteHasNoIcon() {
        PanelRig rig;
        auto* com = rig.find<QLabel>("LblCOM");
        QTest::mouseClick(com, Qt::LeftButton);
        QCOMPARE(rig.panel->windowTitle(), QString("Panel   V10.02   2018-02-12.1"));
        QTest::mouseClick(com, Qt::LeftButton);
        QCOMPARE(rig.panel->windowTitle(), QString("Panel"));
        activate(rig, "MnuTwa");
        QCOMPARE(rig.dialogs.shown().front().icon, Icon::None);
    }

    void help_findsEachLanguageBesideTheProgramOrInstalledAndNamesAMissingOne() {
        PanelRig rig;
        QTemporaryDir prefix; // an installed layout: bin/ and share/noisedesk/help/
        const QString bin = prefix.filePath("bin");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath("share/noisedesk/help")));
        QList<QUrl> expected;
        for (int i = 0; i < nd::panel::kHelpLanguages; ++i) {
            const QString installed = nd::panel::helpDocumentCandidates(bin, i).back();
            QVERIFY(installed.startsWith(prefix.filePath("share/noisedesk/help/")));
            QFile file(installed);
            QVERIFY(file.open(QIODevice::WriteOnly));
            expected << QUrl::fromLocalFile(installed);
        }
        rig.panel->setProgramFolder(bin);
        for (int i = 0; i < nd::panel::kHelpLanguages; ++i)
            activate(rig, QString("MenuOpt(%1)").arg(i));
        QCOMPARE(rig.dialogs.openedDocuments(), expected);
        QVERIFY(rig.dialogs.shown().isEmpty());

        QVERIFY(QFile::remove(expected[2].toLocalFile()));
        activate(rig, "MenuOpt(2)");
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(rig.dialogs.messages().front().contains(expected[2].toLocalFile()));
        QCOMPARE(rig.dialogs.openedDocuments().size(), nd::panel::kHelpLanguages);

        // No program to show it: said, with the file's path.
        rig.dialogs.setOpenDocumentResult(false);
        activate(rig, "MenuOpt(0)");
        QCOMPARE(rig.dialogs.messages().size(), 2);
        QVERIFY(rig.dialogs.messages().back().contains("No program to show PDF documents"));
        QVERIFY(rig.dialogs.messages().back().contains(expected[0].toLocalFile()));
    }
};

QTEST_MAIN(PanelWindow)
#include "test_panel_window.moc"
