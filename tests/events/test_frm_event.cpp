// The Event window on the link thread and the in-process virtual meter (E1, E2, E4 used).
#include "ScriptedDialogs.h"
#include "SimFixture.h"
#include "events/FrmEvent.h"
#include "link/MemoryMap.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
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
        link = std::make_unique<link::MeterLink>(sim.portFactory(), sim.sharedClock(), "COM3");
        link->start();
        window = std::make_unique<FrmEvent>(*link, dialogs);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        // The first status poll holds the link (LinkBusy), when bank commands are refused.
        QVERIFY(waitFor([](const auto& s) { return s.PollCount > 0 && !s.LinkBusy; }));
    }
    ~Rig() {
        window.reset();
        link->stop();
    }
    bool waitFor(const std::function<bool(const link::MeterState&)>& ok) {
        return QTest::qWaitFor([&] { return ok(link->state()); }, kWait);
    }
    template <typename T = QAction> T* find(const char* name) {
        return window->findChild<T*>(name);
    }
    bool runToEnd() { return QSignalSpy(window.get(), &FrmEvent::readFinished).wait(kWait); }
    bool readBank(int bank) {
        window->gridClicked(1, bank);
        return runToEnd();
    }
    QString cell(int row, int bank) { return find<QTableWidget>("Grid")->item(row, bank)->text(); }
    bool wasRead(int address) const {
        const QByteArray command = link::Bytes({'R', address % 256, address / 256});
        const auto writes = sim.lastPort()->writes();
        return std::any_of(writes.begin(), writes.end(),
                           [&](auto& w) { return w.bytes == command; });
    }
};
} // namespace

class FrmEventTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_temp;

private slots:
    void initTestCase() { // scripted printing writes into a temporary folder of our own
        qputenv("TMPDIR", m_temp.path().toLocal8Bit());
    }

    void commandsFollowTheGuards() {
        Rig rig;
        rig.window->gridClicked(3, 0); // the headings column is no bank
        QVERIFY(!rig.window->reading());
        rig.window->gridClicked(3, 2);
        rig.window->gridClicked(3, 4); // while a read is on: nothing
        auto* percent = rig.find<QProgressBar>("SSPercent");
        QVERIFY(!percent->isVisibleTo(rig.window.get())); // not for a grid click
        rig.find("MnuAll")->trigger();                    // refused too
        QVERIFY(rig.runToEnd());
        QVERIFY(rig.cell(1, 4).isEmpty() && !rig.wasRead(mem::bankRecordStart(4)));
        QCOMPARE(rig.cell(12, 2), QString(" 2.33"));

        rig.find("MnuAll")->trigger();
        QVERIFY(percent->isVisibleTo(rig.window.get()));
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(13, 4), QString(" 95.4"));
        QVERIFY(!percent->isVisibleTo(rig.window.get()));
        rig.find<QRadioButton>("Bk5")->setChecked(true);
        rig.find<QPushButton>("CmdOK")->click();
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.cell(1, 5), QString(" Unused"));

        // The meter records into bank 3: a click there marks it and reads nothing.
        for (int key : {link::keys::kEvent, link::keys::kEvent, link::keys::kRunPause})
            rig.sim.meter().pressKeys(key, rig.sim.clock().now());
        QVERIFY(rig.waitFor([](const auto& s) { return s.Running && s.BankNumber == 3; }));
        rig.sim.lastPort()->clearWrites();
        QVERIFY(rig.readBank(3));
        QCOMPARE(rig.cell(1, 3), QString("Running"));
        QVERIFY(!rig.wasRead(mem::bankRecordStart(3) + 19));

        // A silent meter: the status poll holds the link and the menu is refused.
        rig.sim.meter().setFaults({.silent = true});
        QVERIFY(rig.waitFor([](const auto& s) { return s.LinkBusy; }));
        rig.find("MnuEn1")->trigger();
        QVERIFY(!rig.window->reading());
    }

    void aReadHandsOnOnlyWhatItReadAndWhetherAllCame() {
        Rig rig;
        QSignalSpy ended(rig.window.get(), &FrmEvent::readFinished);
        rig.sim.meter().setFaults({.deafCell = mem::bankRecordStart(2) + 4});
        rig.find("MnuAll")->trigger();
        QVERIFY(ended.wait(kWait));
        auto read = ended.last().at(0).value<events::BankTable>();
        QVERIFY(!ended.last().at(1).toBool()); // incomplete: E2 did not come
        QVERIFY(!read.Banks[0][0].isEmpty() && read.Banks[1][0].isEmpty());

        rig.sim.meter().setFaults({});
        QVERIFY(rig.readBank(4));
        read = ended.last().at(0).value<events::BankTable>();
        QVERIFY(ended.last().at(1).toBool()); // and only E4 is handed on
        QVERIFY(read.Banks[0][0].isEmpty() && !read.Banks[3][0].isEmpty());
    }

    void filesRoundTripThroughEitherOpen_andBadOnesLeaveTheTable_data() {
        QTest::addColumn<bool>("menuSave"); // else the toolbar's Save; opened with the other
        QTest::newRow("menu save, toolbar open") << true;
        QTest::newRow("toolbar save, menu open") << false;
    }
    void filesRoundTripThroughEitherOpen_andBadOnesLeaveTheTable() {
        QFETCH(bool, menuSave);
        Rig rig;
        QVERIFY(rig.readBank(1));
        auto* name = rig.find<QLineEdit>("TxtName");
        name->setText("Doe, J.\tshift 2"); // as pasted
        QCOMPARE(name->text(), QString("Doe J.shift 2"));

        QTemporaryDir dir;
        rig.dialogs.answerSaveFile(dir.filePath("banks.bnk"));
        rig.find(menuSave ? "MnuSave" : "Save")->trigger();
        QCOMPARE(rig.cell(7, 5),
                 QString(menuSave ? "----" : " ")); // the grid shows what the file holds
        const events::BankTable saved = rig.window->table();

        name->clear();
        QVERIFY(rig.readBank(2));
        rig.dialogs.answerOpenFile(dir.filePath("banks.bnk"));
        rig.find(menuSave ? "Open" : "MnuOpen")->trigger();
        QCOMPARE(rig.window->table(), saved);
        QVERIFY(rig.dialogs.messages().isEmpty());

        // A bad file or a failed save leaves the table as it is.
        QFile bad(dir.filePath("short.bnk"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\t Used\t----\t----\t----\t----\r\n");
        bad.close();
        rig.dialogs.answerOpenFile(bad.fileName());
        rig.find("MnuOpen")->trigger();
        rig.dialogs.answerSaveFile(dir.filePath("no/such/folder/banks.bnk"));
        rig.find("MnuSave")->trigger();
        QCOMPARE(rig.window->table(), saved);
        const QStringList messages = rig.dialogs.messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.at(0).contains("a bank file has 18 lines; this one has 1"));
        QVERIFY(messages.at(1).startsWith("The bank file could not be saved"));
    }

    void printsTheGridAndTheBoxesToPdf() {
        Rig rig;
        QVERIFY(rig.readBank(1));
        const QString pdf = QDir::temp().filePath("noisedesk-test-print.pdf");
        rig.dialogs.answerPrint(false);
        rig.find("MnuPrint")->trigger();
        QVERIFY(!QFile::exists(pdf));
        rig.dialogs.answerPrint(true);
        rig.dialogs.setPrintSetup(2, QPageLayout::Landscape);
        rig.find("Print")->trigger();
        QVERIFY(rig.dialogs.messages().isEmpty());
        // The window as a picture: no text on the page, one page per copy, landscape.
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString bytes = QString::fromLatin1(file.readAll());
        QCOMPARE(bytes.count("/Type /Page\n"), 2);
        QVERIFY(!bytes.contains("/Type /Font"));
        const auto box = QRegularExpression("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]").match(bytes);
        QVERIFY2(box.hasMatch() && box.captured(1).toDouble() > box.captured(2).toDouble(),
                 qPrintable(box.captured()));
    }
};

QTEST_MAIN(FrmEventTest)
#include "test_frm_event.moc"
