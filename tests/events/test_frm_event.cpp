// The Event window on the link thread and the in-process virtual meter.
#include "ScriptedDialogs.h"
#include "SimFixture.h"
#include "events/FrmEvent.h"
#include "link/MemoryMap.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using events::BankLayout;
using events::FrmEvent;
namespace mem = link::memory;

namespace {
constexpr int kWait = 20000;

/// The meter on a virtual clock fifty times faster than life, its link and the window.
struct Rig {
    test::SimFixture sim;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<link::MeterLink> link;
    std::unique_ptr<FrmEvent> window;

    Rig() {
        sim.clock().setPace(0.02);
        link = std::make_unique<link::MeterLink>(sim.portFactory(), sim.sharedClock(),
                                                 QStringLiteral("COM3"));
        link->start();
        window = std::make_unique<FrmEvent>(*link, dialogs);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        // The first status poll holds the link (LinkBusy), when bank commands are refused.
        QVERIFY(waitForState([](const auto& s) { return s.PollCount > 0 && !s.LinkBusy; }));
    }
    ~Rig() {
        window.reset();
        link->stop();
    }
    bool waitForState(const std::function<bool(const link::MeterState&)>& ok) {
        return QTest::qWaitFor([&] { return ok(link->state()); }, kWait);
    }
    void trigger(const char* name) { window->findChild<QAction*>(name)->trigger(); }
    bool runToEnd() {
        QSignalSpy finished(window.get(), &FrmEvent::readFinished);
        return finished.wait(kWait);
    }
    QString cell(int row, int bank) const {
        return window->findChild<QTableWidget*>("Grid")->item(row, bank)->text();
    }
    /// How many times cell `address` was asked for.
    int reads(int address) const {
        const QByteArray command = link::Bytes({'R', address % 256, address / 256});
        int n = 0;
        for (const auto& w : sim.lastPort()->writes())
            n += w.bytes == command ? 1 : 0;
        return n;
    }
};
} // namespace

class FrmEventTest : public QObject {
    Q_OBJECT

private slots:
    void allBanksFromTheMenuFillTheGrid() {
        Rig rig;
        auto* percent = rig.window->findChild<QProgressBar*>("SSPercent");
        rig.trigger("MnuAll");
        QVERIFY(rig.window->reading());
        QVERIFY(percent->isVisibleTo(rig.window.get()));
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(1, 1), QString(" Used"));
        QCOMPARE(rig.cell(12, 2), QString(" 2.33"));
        QCOMPARE(rig.cell(1, 3), QString(" Unused"));
        QCOMPARE(rig.cell(13, 4), QString(" 95.4"));
        QVERIFY(!percent->isVisibleTo(rig.window.get()));
        QCOMPARE(rig.sim.meter().cell(mem::bankClearCell(3, 1)), 0xFF);
    }

    void gridClicksFollowTheMenusGuards() {
        Rig rig;
        rig.window->gridClicked(3, 0); // the headings column is no bank
        QVERIFY(!rig.window->reading());

        rig.window->gridClicked(3, 2);
        rig.window->gridClicked(3, 4); // while a read is on: nothing
        rig.trigger("MnuAll");
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(1, 2), QString(" Used"));
        QCOMPARE(rig.cell(1, 4), QString());
        QCOMPARE(rig.reads(mem::bankRecordStart(4)), 0);

        // The meter records into bank 3: a click there marks it and reads nothing.
        auto& meter = rig.sim.meter();
        const double now = rig.sim.clock().now();
        meter.pressKeys(link::keys::kEvent, now);
        meter.pressKeys(link::keys::kEvent, now);
        meter.pressKeys(link::keys::kRunPause, now);
        QVERIFY(rig.waitForState([](const auto& s) { return s.Running && s.BankNumber == 3; }));
        rig.window->gridClicked(5, 3);
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(1, 3), QString("Running"));
        QCOMPARE(rig.reads(mem::bankRecordStart(3) + 19), 0);

        // A silent meter: the status poll holds the link and the menu is refused.
        meter.setFaults({.silent = true});
        QVERIFY(rig.waitForState([](const auto& s) { return s.LinkBusy; }));
        rig.trigger("MnuEn1");
        QVERIFY(!rig.window->reading());
    }

    void bankPanelReadsTheChosenBank() {
        Rig rig;
        rig.window->findChild<QRadioButton*>("Bk5")->setChecked(true);
        rig.window->readFromPanel();
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(1, 5), QString(" Unused"));
        QCOMPARE(rig.cell(1, 1), QString());
    }

    void filesRoundTripThroughEitherOpen_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("saveWith");
        QTest::addColumn<QString>("openWith");
        QTest::addColumn<QString>("unread");
        QTest::newRow("menu save, toolbar open") << int(BankLayout::Menu) << "MnuSave"
                                                 << "Open"
                                                 << "----";
        QTest::newRow("toolbar save, menu open") << int(BankLayout::Toolbar) << "Save"
                                                 << "MnuOpen"
                                                 << " ";
    }
    void filesRoundTripThroughEitherOpen() {
        QFETCH(QString, saveWith);
        QFETCH(QString, openWith);
        QFETCH(QString, unread);
        Rig rig;
        rig.window->gridClicked(1, 1);
        QVERIFY(rig.runToEnd());
        auto* name = rig.window->findChild<QLineEdit*>("TxtName");
        name->setText("Doe, J.\tshift 2"); // as pasted
        QCOMPARE(name->text(), QString("Doe J.shift 2"));
        rig.window->findChild<QLineEdit*>("TxtCompany")->setText("Forge Ltd");

        QTemporaryDir dir;
        const QString path = dir.filePath("banks.bnk");
        rig.dialogs.answerSaveFile(path);
        rig.trigger(qPrintable(saveWith));
        QCOMPARE(rig.cell(7, 5), unread); // the grid shows what the file holds
        const events::BankTable saved = rig.window->table();

        rig.window->findChild<QLineEdit*>("TxtCompany")->clear();
        rig.window->gridClicked(1, 2);
        QVERIFY(rig.runToEnd());
        rig.dialogs.answerOpenFile(path);
        rig.trigger(qPrintable(openWith));
        QCOMPARE(rig.window->table(), saved);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }

    void aBadFileLeavesTheTableAsItWas() {
        Rig rig;
        rig.window->gridClicked(1, 1);
        QVERIFY(rig.runToEnd());
        rig.window->findChild<QLineEdit*>("TxtName")->setText("unsaved");
        const events::BankTable before = rig.window->table();

        QTemporaryDir dir;
        const QString path = dir.filePath("short.bnk");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\t Used\t----\t----\t----\t----\r\n");
        file.close();
        rig.dialogs.answerOpenFile(path);
        rig.trigger("MnuOpen");
        QCOMPARE(rig.window->table(), before);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(
            rig.dialogs.messages().front().contains("a bank file has 18 lines; this one has 1"));

        rig.dialogs.answerSaveFile(dir.filePath("no/such/folder/banks.bnk"));
        rig.trigger("MnuSave");
        QCOMPARE(rig.dialogs.messages().size(), 2); // a failed save is reported
        QCOMPARE(rig.window->table(), before);
    }

    void printsTheGridAndTheBoxesToPdf() {
        Rig rig;
        rig.window->gridClicked(1, 1);
        QVERIFY(rig.runToEnd());
        rig.window->findChild<QLineEdit*>("TxtName")->setText("J. Doe");
        const QString pdf = QDir::temp().filePath("noisedesk-test-print.pdf");
        QFile::remove(pdf);
        rig.dialogs.answerPrint(false);
        rig.trigger("MnuPrint");
        QVERIFY(!QFile::exists(pdf));
        rig.dialogs.answerPrint(true);
        rig.trigger("Print");
        QVERIFY(QFileInfo(pdf).size() > 0);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }
};

QTEST_MAIN(FrmEventTest)
#include "test_frm_event.moc"
