// The main window against the in-process virtual meter, headless.
#include "PanelRig.h"
#include "panel/PanelTexts.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
const QString kNotDba = QStringLiteral("Not dBA mode, continue? ");

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

void click(PanelRig& rig, const QString& buttonName) {
    auto* button = rig.find<QPushButton>(buttonName);
    QVERIFY(button);
    button->click();
}

} // namespace

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
        QCOMPARE(rig.dialogs.shown().front().buttons, Buttons::Ok);
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
        QVERIFY(!rig.panel->programState().Online);

        // A cell read on the closed port says so rather than failing silently.
        rig.find<QLineEdit>("TxtRAdd")->setText("5");
        click(rig, "CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 2, kWait);
        QCOMPARE(rig.dialogs.messages().back(), QString("No device available !"));
        QVERIFY(rig.text("TxtRData").isEmpty());
    }

    void online_showsTheReadingAndTheMetersSettings() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        loadOnline(rig);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QCOMPARE(rig.text("LblUnit"), QString("dBA"));
        QCOMPARE(rig.text("LblCriterion"), QString("90"));
        QCOMPARE(rig.text("LblExchangeRate"), QString("5"));
        QCOMPARE(rig.text("LblTimeWeighting"), QString("Slow"));
        QCOMPARE(rig.text("LblThreshold"), QString::number(rig.meter->cell(59)));
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    void firstSample_isTakenAtOnceAfterLoad() {
        PanelRig rig;
        QSignalSpy samples(rig.panel.get(), &nd::panel::Panel::sampleTaken);
        rig.load();
        QVERIFY(samples.wait(kWait));
        QCOMPARE(rig.panel->sampleSchedule().TickCount(), 1);
        const QStringList fields = samples.front().front().toString().split('\t');
        QCOMPARE(fields.size(), 3);
        QVERIFY(QDate::fromString(fields[0], "yyyy/MM/dd").isValid());
        QVERIFY(QTime::fromString(fields[1], "hh:mm:ss.z").isValid());
        QCOMPARE(rig.text("LblTime"), fields[1].left(8));
    }

    void maxMin_overloadAndBlankStickUntilReset() {
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

        click(rig, "CmdReset");
        QCOMPARE(rig.text("LblMax"), QString("90.0"));
        QCOMPARE(rig.text("LblMin"), QString("90.0"));
    }

    void reset_inDoseModeLeavesMaxAndMin() {
        PanelRig rig;
        rig.meter->setFixedLevel(88.0);
        loadOnline(rig);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblMax"), QString("88.0"), kWait);
        switchMeterToDose(rig);
        click(rig, "CmdReset");
        QCOMPARE(rig.text("LblMax"), QString("88.0"));
        QCOMPARE(rig.text("LblMin"), QString("88.0"));
        QVERIFY(rig.text("LblValue") != "88.0");
    }

    void dbaCheck_ok_switchesTheMeterThenOpens() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        rig.dialogs.answerMessage(Answer::Ok);
        click(rig, "CmdGraph");
        QCOMPARE(rig.dialogs.shown().size(), 1);
        const auto& question = rig.dialogs.shown().front();
        QCOMPARE(question.text, kNotDba);
        QCOMPARE(question.buttons, Buttons::OkCancel);
        QCOMPARE(question.icon, Icon::Question);
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().GraphOpen, kWait);
        QVERIFY(rig.state().DbaMode);
        QCOMPARE(rig.text("LblUnit"), QString("dBA"));
    }

    void dbaCheck_cancel_opensWithoutSwitching() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        rig.port->clearWrites();
        rig.dialogs.answerMessage(Answer::Cancel);
        action(rig, "MnuList")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().ListRecording, kWait);
        QVERIFY(!rig.sentAny('F')); // no MODE key pressed
        QVERIFY(rig.waitForReadings(2));
        QVERIFY(!rig.state().DbaMode);
        QCOMPARE(rig.text("LblUnit"), QString("%DOSE"));
    }

    void dbaCheck_inDbaModeAsksNothing() {
        PanelRig rig;
        loadOnline(rig);
        action(rig, "MnuGraph")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().GraphOpen, kWait);
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    void graphGuard_whileOpen_asksNothingTwice() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        rig.dialogs.answerMessage(Answer::Cancel);
        click(rig, "CmdGraph");
        click(rig, "CmdGraph"); // while the first check still runs
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().GraphOpen, kWait);
        click(rig, "CmdGraph");
        action(rig, "MnuGraph")->trigger();
        QVERIFY(rig.waitForReadings(1));
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    void average_switchesToDbaWithoutAsking() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        click(rig, "CmdAvg");
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().AverageOpen, kWait);
        QVERIFY(rig.dialogs.shown().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblUnit"), QString("dBA"), kWait);
    }

    void dbaCheck_onASilentMeter_opensAtOnceInDbaAndAtTheTimeLimitOtherwise() {
        PanelRig rig;
        loadOnline(rig);
        rig.panel->programState().SampleInterval = 2; // 0.2 s
        rig.meter->setFaults({.silent = true});
        action(rig, "MnuDigital")->trigger();
        QVERIFY(rig.panel->programState().DigitalOpen); // in dBA: no check, no wait
        QSignalSpy samples(rig.panel.get(), &nd::panel::Panel::sampleTaken);
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait); // the schedule is not held

        rig.meter->setFaults({});
        switchMeterToDose(rig);
        rig.meter->setFaults({.silent = true});
        rig.dialogs.answerMessage(Answer::Ok);
        const double asked = rig.clock->now();
        action(rig, "MnuAnalog")->trigger();
        action(rig, "MnuGraph")->trigger(); // asked meanwhile: opened after, not lost
        QVERIFY(!rig.panel->programState().AnalogOpen);
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().AnalogOpen, kWait);
        QVERIFY(rig.clock->now() - asked >= nd::panel::kDbaCheckTimeLimit);
        samples.clear();
        QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().GraphOpen, 3 * kWait);
    }

    void modeSwitch_showsNoValueTheMeterDidNotSend() {
        PanelRig rig;
        rig.meter->setFixedLevel(94.5);
        loadOnline(rig);
        switchMeterToDose(rig);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("0.00"), kWait);
        QSignalSpy captions(rig.panel.get(), &nd::panel::Panel::valueCaptionChanged);
        click(rig, "CmdAvg");
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("LblValue"), QString("94.5"), kWait);
        QVERIFY(rig.waitForReadings(2));
        QCOMPARE(captions.size(), 1); // never the dose digits read as a level ("142.0")
    }

    void average_twoQuickClicksPressModeOnce() {
        PanelRig rig;
        loadOnline(rig);
        switchMeterToDose(rig);
        rig.port->clearWrites();
        click(rig, "CmdAvg");
        click(rig, "CmdAvg");
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().AverageOpen, kWait);
        QVERIFY(rig.waitForReadings(2));
        int modePresses = 0;
        for (const auto& write : rig.port->writes())
            modePresses += write.bytes == nd::link::Bytes({'F', nd::link::keys::kMode}) ? 1 : 0;
        QCOMPARE(modePresses, 3); // dose, time, date, dBA
    }

    void cellRead_thatFails_keepsTheOldValueAndSaysSo() {
        PanelRig rig;
        rig.meter->setCell(5, 17);
        loadOnline(rig);
        rig.find<QLineEdit>("TxtRAdd")->setText("5");
        click(rig, "CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("TxtRData"), QString("17"), kWait);
        rig.meter->setFaults({.deafCell = 100});
        rig.find<QLineEdit>("TxtRAdd")->setText("100");
        click(rig, "CmdRead");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.messages().size(), 1, 2 * kWait);
        QCOMPARE(rig.dialogs.messages().front(),
                 QString("The meter did not answer: cell 100 was not read."));
        QCOMPARE(rig.text("TxtRData"), QString("17")); // not the threshold the fall-back read
    }

    void displays_openBesideThePanelOnceAndClearTheirFlagsOnClose() {
        PanelRig rig;
        loadOnline(rig);
        action(rig, "MnuDigital")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().DigitalOpen, kWait);
        action(rig, "MnuAnalog")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().AnalogOpen, kWait);
        QWidget* digital = nullptr;
        QWidget* analog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == "Digital" && w->isVisible())
                digital = w;
            if (w->windowTitle() == "Analog" && w->isVisible())
                analog = w;
        }
        QVERIFY(digital && analog);
        action(rig, "MnuDigital")->trigger(); // already open: nothing
        QVERIFY(rig.waitForReadings(1));
        digital->close();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.panel->programState().DigitalOpen, kWait);
        QVERIFY(rig.panel->programState().AnalogOpen);
        analog->close();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.panel->programState().AnalogOpen, kWait);
    }

    void event_whileKeysAreLocked_saysKeyLocked() {
        PanelRig rig;
        loadOnline(rig);
        click(rig, "CmdEvent");
        QVERIFY(rig.dialogs.shown().isEmpty());
        rig.meter->setKeyLocked(true);
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().KeyLocked, kWait);
        click(rig, "CmdEvent");
        QCOMPARE(rig.dialogs.messages(), QStringList{"Key locked!"});
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

    void cells_emptyAddressReadsCellZeroAndEnterReadsOrWrites() {
        PanelRig rig;
        rig.meter->setCell(0, 17);
        rig.meter->setCell(300, 42);
        loadOnline(rig);
        click(rig, "CmdRead");
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
    }

    void cells_outOfRange_isRefusedAndNothingIsSent_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("said");
        auto row = [](const char* name, const char* button, const char* address, const char* value,
                      const char* said) {
            QTest::newRow(name) << QString(button) << QString(address) << QString(value)
                                << QString(said);
        };
        row("read address 70000", "CmdRead", "70000", "", "0 to 65535");
        row("write address 65536", "CmdWrite", "65536", "1", "0 to 65535");
        row("write data 256", "CmdWrite", "100", "256", "0 to 255");
    }
    void cells_outOfRange_isRefusedAndNothingIsSent() {
        QFETCH(QString, button);
        QFETCH(QString, address);
        QFETCH(QString, value);
        QFETCH(QString, said);
        PanelRig rig;
        loadOnline(rig);
        rig.port->clearWrites();
        QTest::keyClicks(rig.find<QLineEdit>(button == "CmdRead" ? "TxtRAdd" : "TxtWAdd"), address);
        QTest::keyClicks(rig.find<QLineEdit>("TxtWData"), value);
        click(rig, button);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY2(rig.dialogs.messages().front().contains(said),
                 qPrintable(rig.dialogs.messages().front()));
        QVERIFY(rig.waitForReadings(2));
        QVERIFY(!rig.sentAny('W'));
        QVERIFY(rig.text("TxtRData").isEmpty()); // no cell was read either
    }

    void lblCom_clickTogglesTheCaption() {
        PanelRig rig;
        auto* com = rig.find<QLabel>("LblCOM");
        QCOMPARE(rig.panel->windowTitle(), QString("Panel"));
        QTest::mouseClick(com, Qt::LeftButton);
        QCOMPARE(rig.panel->windowTitle(), QString("Panel   V10.02   2018-02-12.1"));
        QTest::mouseClick(com, Qt::LeftButton);
        QCOMPARE(rig.panel->windowTitle(), QString("Panel"));
    }

    void twa_showsTheNoteWithoutIcon() {
        PanelRig rig;
        action(rig, "MnuTwa")->trigger();
        QCOMPARE(rig.dialogs.messages(), QStringList{nd::panel::twaNote()});
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
            action(rig, QString("MenuOpt(%1)").arg(i))->trigger();
        QCOMPARE(rig.dialogs.openedDocuments(), expected);
        QVERIFY(rig.dialogs.shown().isEmpty());

        QVERIFY(QFile::remove(expected[2].toLocalFile()));
        action(rig, "MenuOpt(2)")->trigger();
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(rig.dialogs.messages().front().contains(expected[2].toLocalFile()));
        QCOMPARE(rig.dialogs.openedDocuments().size(), nd::panel::kHelpLanguages);
    }

    void exit_stopsTheLinkAndEndsTheProgram() {
        PanelRig rig;
        loadOnline(rig);
        action(rig, "MnuDigital")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().DigitalOpen, kWait);
        QSignalSpy ended(rig.panel.get(), &nd::panel::Panel::programEnded);
        action(rig, "MnuExit")->trigger();
        QCOMPARE(ended.size(), 1);
        QVERIFY(!rig.panel->meterLink()->isRunning());
        QVERIFY(!rig.port->isOpen());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!(w->windowTitle() == "Digital" && w->isVisible()), "Digital still open");
    }
};

QTEST_MAIN(PanelWindow)
#include "test_panel_window.moc"
