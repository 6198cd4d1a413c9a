// noisedesk-cli banks: the same reads and texts as the Event window, as text and JSON.
#include "SimFixture.h"
#include "cli/BankVerbs.h"
#include "events/BankFile.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using namespace nd::cli;

namespace {

struct Rig {
    test::SimFixture sim;
    std::shared_ptr<sim::SimPort> port = sim.makePort();
    link::Meter meter{*port, sim.clock()};
    QString outText, errText;
    QTextStream out{&outText}, err{&errText};
    std::atomic<bool> interrupted{false};
    RunContext context{meter, out, err, 5.0, interrupted};

    Rig() { port->open(); }
    int run(const QStringList& bank, const QString& file, bool json) {
        auto parsed = parseCommand({"banks"}, 0, false);
        if (!parsed.request || applyBankOptions(*parsed.request, bank, file, json))
            return -1;
        const int code = runRequest(*parsed.request, context);
        out.flush();
        return code;
    }
};

} // namespace

class BankVerbsTest : public QObject {
    Q_OBJECT

private slots:
    void bankOptionIsChecked() {
        Request request;
        QVERIFY(!applyBankOptions(request, {"5"}, {}, false));
        QCOMPARE(request.bank, 5);
        for (const QStringList& refused : {QStringList{"0"}, {"6"}, {"E2"}, {""}, {"1", "2"}})
            QVERIFY(applyBankOptions(request, refused, {}, false));
        QVERIFY(!parseCommand({"banks", "3"}, 0, false).request);
    }

    void outIsCheckedBeforeTheRead() {
        Rig rig;
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("plain")).open(QIODevice::WriteOnly));
        QCOMPARE(rig.run({}, dir.filePath("plain/banks.bnk"), false), int(kFileFailed));
        QVERIFY(rig.port->writes().empty());
        QVERIFY(rig.outText.isEmpty());
    }

    void aFailedRead_writesNoFile_andShowsEveryBank() {
        Rig rig;
        auto faults = rig.sim.meter().faults();
        faults.deafCell = link::memory::bankRecordStart(3) + 4;
        rig.sim.meter().setFaults(faults);
        QTemporaryDir dir;
        const QString file = dir.filePath("banks.bnk");
        QCOMPARE(rig.run({}, file, false), int(kNoAnswer));
        QVERIFY(!QFile::exists(file));
        QVERIFY(rig.outText.startsWith("E1\n") && rig.outText.contains("\nE5\n"));
        QVERIFY(rig.errText.contains("bank E3 could not be read"));
    }

    void jsonHasEveryBankWithTheWindowsRows() {
        Rig rig;
        QCOMPARE(rig.run({}, {}, true), int(kOk));
        const QJsonArray list = QJsonDocument::fromJson(rig.outText.toUtf8()).array();
        QCOMPARE(list.size(), 5);
        const QJsonObject e1 = list.at(0).toObject();
        QCOMPARE(e1["bank"].toInt(), 1);
        QVERIFY(e1["readable"].toBool());
        const QJsonObject rows = e1["rows"].toObject();
        QCOMPARE(rows.keys().size(), 15);
        // Figures are numbers, texts are trimmed, empty cells are null.
        QCOMPARE(rows["Dose Value(%)"], QJsonValue(123.4));
        QCOMPARE(rows["TWA(8hr %Dose)"], QJsonValue(91.5));
        QCOMPARE(rows["Criterion level"], QJsonValue(90));
        QCOMPARE(list.at(2)["rows"]["Used or not"], QJsonValue("Unused"));
        QVERIFY(list.at(2)["rows"]["Dose Value(%)"].isNull());
        // The rows come in the window's order.
        qsizetype at = 0;
        for (const QString& heading : events::RowHeadings()) {
            const qsizetype next = rig.outText.indexOf('"' + heading + '"', at);
            QVERIFY2(next > at, qPrintable(heading));
            at = next;
        }
    }

    void textBlocksAndTheSavedFileAgree() {
        Rig rig;
        QTemporaryDir dir;
        const QString file = dir.filePath("e2.bnk");
        QCOMPARE(rig.run({"2"}, file, false), int(kOk));
        QVERIFY(rig.outText.startsWith("E2\n  Used or not              Used\n"));
        QVERIFY(rig.outText.contains("\n  Dose Value(%)            2.33\n"));
        const events::BankFileRead read = events::OpenBankFile(file);
        QVERIFY(read.table);
        QCOMPARE(read.layout, events::BankLayout::Toolbar);
        QCOMPARE(read.table->cell(12, 2), QString(" 2.33"));
        QCOMPARE(read.table->cell(12, 1), QString(" ")); // not read
    }
};

QTEST_GUILESS_MAIN(BankVerbsTest)
#include "test_bank_verbs.moc"
