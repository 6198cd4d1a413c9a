// The Memory window on the in-process virtual meter: download, damaged sets, a failed
// download, the ID code, interval and erase with read-back, save and print (the decoding:
// test_logged_memory).

#include "ScriptedDialogs.h"
#include "SimFixture.h"
#include "sim/LoggedSets.h"
#include "stored/DataFile.h"
#include "stored/ui/ExposurePanel.h"
#include "stored/ui/ListingPrinter.h"
#include "stored/ui/Memory.h"

#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using stored::ui::Memory;

namespace {

struct MemoryRig {
    test::SimFixture sim;
    test::ScriptedDialogs dialogs;
    link::MeterLink link{sim.portFactory(), sim.sharedClock(), QStringLiteral("COM3")};
    Memory window{link, dialogs};

    MemoryRig() {
        sim.clock().setPace(0.01);
        const QDateTime start(QDate(2009, 3, 15), QTime(23, 59, 55));
        sim::storeLoggedSets(
            sim.meter(),
            {{start, 100, 100}, {start.addDays(1), 3, 4000}, {start.addDays(2), 600, 10}});
        link.start();
    }
    ~MemoryRig() { link.stop(); }

    bool download() {
        QSignalSpy ended(&window, &Memory::downloadEnded);
        window.download();
        return ended.wait(20000) && ended.front().front().toBool();
    }
    bool idle() {
        return QTest::qWaitFor([this] { return !window.transferBusy(); }, 20000);
    }
    QString text(const QString& name) {
        if (auto* label = window.findChild<QLabel*>(name))
            return label->text();
        return window.findChild<QLineEdit*>(name)->text();
    }
};

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(f.readAll().count("/Type /Page\n"));
}

} // namespace

class MemoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void download_listsSetsAndRecords() {
        MemoryRig rig;
        rig.sim.meter().setCell(2, 1);
        rig.sim.meter().setCell(3, 2);
        QVERIFY(rig.download());
        const auto& m = rig.window.memory();
        QCOMPARE(int(m.sets.size()), 3);
        QCOMPARE(rig.text("TxtIDCode"), QString("258"));
        rig.window.listSet(0);
        QCOMPARE(rig.window.records().rowCount(), 100);
        QCOMPARE(rig.window.records().list().rows[0].time, QString("00:00:05.0"));
        rig.window.listSet(1);
        QCOMPARE(rig.window.records().rowCount(), 4000);
        // The selected set's figures stand beside its records.
        QCOMPARE(rig.window.exposurePanel().exposure().samples, 4000);
        // "Save all": every set in a chosen folder, named as the command line names them.
        QTemporaryDir dir;
        rig.dialogs.answerFolder(dir.path());
        const QStringList saved = rig.window.saveAll();
        QCOMPARE(saved.size(), 3);
        QCOMPARE(QFileInfo(saved[0]).fileName(), QString("set001_2009-03-15_23-59-55.dat"));
        QCOMPARE(stored::readDataFile(saved[1]).content->list.rows.size(), std::size_t(4000));
        QVERIFY(rig.idle());
        // A new download clears the records, so an old set cannot be saved as new.
        const auto shown = rig.dialogs.shown().size();
        rig.window.download();
        QCOMPARE(rig.window.records().rowCount(), 0);
        rig.window.eraseMemory(); // refused while a transfer runs: nothing asked
        QCOMPARE(rig.dialogs.shown().size(), shown);
        QVERIFY(rig.idle());
        QCOMPARE(rig.sim.meter().cell(22), 3);
    }

    void aDamagedSet_isSaidAndTheOthersListed() {
        MemoryRig rig;
        const int set2 = rig.sim.meter().cell(514) + 256 * rig.sim.meter().cell(515);
        rig.sim.meter().setCell(set2 + 1, 0x13); // month 13
        rig.sim.meter().setCell(513, 0);         // set 1 starts in the header cells
        QVERIFY(rig.download());
        // The list goes in the box's scrollable details; the text stays one line.
        const auto& box = rig.dialogs.shown().last();
        QVERIFY2(box.detail.contains("Set 1: its pointers do not fit"), qPrintable(box.detail));
        QVERIFY(box.detail.contains("Set 2: its header has an impossible month"));
        QVERIFY(!box.text.contains("Set 2"));
        QVERIFY(!rig.window.memory().sets[2].troubled());
    }

    void aFailedDownload_endsWithAMessageAndFreesTheLink_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent meter") << 0 << "did not answer";
        QTest::newRow("dump stops") << 1 << "stopped sending";
        QTest::newRow("60 sets, end word 0") << 2 << "pointer table cannot be right";
    }
    void aFailedDownload_endsWithAMessageAndFreesTheLink() {
        QFETCH(int, fault);
        QFETCH(QString, message);
        MemoryRig rig;
        QVERIFY(QTest::qWaitFor([&] { return rig.link.state().PollCount > 0; }, 10000));
        rig.sim.meter().setFaults({.silent = fault == 0, .dumpStopsAfter = fault == 1 ? 500 : -1});
        if (fault == 2)
            rig.sim.meter().setCell(22, 60);
        QVERIFY(!rig.download());
        QVERIFY2(rig.dialogs.messages().last().contains(message),
                 qPrintable(rig.dialogs.messages().last()));
        QVERIFY(!rig.window.transferBusy());
        rig.sim.meter().setFaults({});
        const auto polls = rig.link.state().PollCount;
        QVERIFY(QTest::qWaitFor([&] { return rig.link.state().PollCount > polls; }, 10000));
    }

    // Answer typed, whether the meter goes silent, the message, and the cells afterwards.
    void writesWithReadBack_data() {
        QTest::addColumn<bool>("idCode");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::newRow("ID 258") << true << "258" << false << "Write OK !!!" << 1 << 2;
        QTest::newRow("ID, silent meter") << true << "258" << true << "Write Fail !!!" << 0 << 0;
        QTest::newRow("interval 12.5") << false << "12.5" << false << "Write OK !!!" << 0 << 125;
    }
    void writesWithReadBack() {
        QFETCH(bool, idCode);
        QFETCH(QString, answer);
        QFETCH(bool, silent);
        QFETCH(QString, message);
        MemoryRig rig;
        rig.sim.meter().setFaults({.silent = silent});
        rig.dialogs.answerInput(answer);
        if (idCode)
            rig.window.changeIdCode();
        else
            rig.window.changeInterval();
        QVERIFY(rig.idle());
        QVERIFY(QTest::qWaitFor([&] { return !rig.dialogs.messages().isEmpty(); }, 20000));
        QCOMPARE(rig.dialogs.messages().last(), message);
        const int highCell = idCode ? 2 : 19;
        const int lowCell = idCode ? 3 : 18;
        if (!silent) {
            QTEST(rig.sim.meter().cell(highCell), "high");
            QTEST(rig.sim.meter().cell(lowCell), "low");
        }
        if (message == "Write OK !!!")
            QCOMPARE(rig.text(idCode ? "TxtIDCode" : "TxtInterval"), idCode ? answer : "12.5");
    }

    void erase_asksAndChecks_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("keyLocked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("setsAfter");
        QTest::newRow("OK") << true << false << "Deleted OK !!!" << 0;
        QTest::newRow("Cancel") << false << false << "All the data in memory will be deleted!" << 3;
        QTest::newRow("keys locked") << true << true << "Key locked!" << 3;
    }
    void erase_asksAndChecks() {
        QFETCH(bool, confirm);
        QFETCH(bool, keyLocked);
        MemoryRig rig;
        rig.sim.meter().setKeyLocked(keyLocked);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return rig.link.state().KeyLocked == keyLocked && rig.link.state().PollCount > 0;
            },
            10000));
        rig.dialogs.answerMessage(confirm ? dialogs::Answer::Ok : dialogs::Answer::Cancel);
        rig.window.eraseMemory();
        QVERIFY(rig.idle());
        QTEST(rig.dialogs.messages().last(), "message");
        QTEST(rig.sim.meter().cell(22), "setsAfter");
    }

    // The type chosen in the dialog decides the format and the suffix of a bare name.
    void save_writesTheRecordsAndNotes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type"); // -1: the one the name's suffix gives
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("start");
        const QByteArray dat("\"No.s\tDate\tTime\tdBA\t\"\r\n\"1\t2009/03/16\t00:00:05.0\t");
        const QByteArray csv("No.s,Date,Time,dBA\r\n1,2009-03-16,00:00:05.0,");
        QTest::newRow("bare name, CSV chosen") << "guirec" << 1 << "guirec.csv" << csv;
        QTest::newRow("bare name, data file chosen") << "guirec" << 0 << "guirec.dat" << dat;
    }
    void save_writesTheRecordsAndNotes() {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);
        MemoryRig rig;
        QVERIFY(rig.download());
        rig.window.listSet(0);
        rig.window.findChild<QLineEdit*>("T1")->setText("Site A");
        QTemporaryDir dir;
        rig.dialogs.answerSaveFile(dir.filePath(name), type);
        rig.window.save();
        QFile f(dir.filePath(written));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY2(bytes.startsWith(start), bytes.left(80).constData());
        QVERIFY(rig.dialogs.shown().last().detail.contains("CSV file[*.csv]|*.csv"));
        if (written.endsWith(".dat")) { // the saved set reads back with its note
            const auto back = stored::readDataFile(dir.filePath(written));
            QVERIFY(back.ok());
            QCOMPARE(back.content->list.rows.size(), std::size_t(100));
            QCOMPARE(back.content->list.notes[0], QString("Site A"));
        }
    }

    void save_neverOverwritesTheRecording_andSaysWhenItFails() {
        MemoryRig rig;
        QTemporaryDir dir;
        const QString recording = dir.filePath("rec.dat");
        rig.window.setRecordingFile([recording] { return recording; });
        rig.dialogs.answerSaveFile(recording);
        rig.window.save();
        QVERIFY(rig.dialogs.messages().last().contains("file being recorded"));
        QVERIFY(!QFile::exists(recording));
        rig.dialogs.answerSaveFile(dir.filePath("no/such/folder.dat"));
        rig.window.save();
        QVERIFY(rig.dialogs.messages().last().contains("could not be saved"));
    }

    void print_sendsEachCopyOnce_andBreaksPages() {
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("p.pdf"));
        QStringList lines(150, "-                    1       2009/03/16 00:00:05.0    85.7   ");
        const int pages = stored::ui::ListingPrinter::print(printer, lines, 2);
        QVERIFY(pages >= 4 && pages % 2 == 0);
        QCOMPARE(pdfPages(dir.filePath("p.pdf")), pages);
        QCOMPARE(printer.copyCount(), 1);
    }
};

QTEST_MAIN(MemoryWindowTest)
#include "test_memory_window.moc"
