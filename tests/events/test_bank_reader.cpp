// Bank reads as link jobs do them, against the in-process virtual meter (E1, E2, E4 used).
#include "FakePort.h"
#include "SimFixture.h"
#include "events/BankReader.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <QTest>

using namespace nd;
using namespace nd::events;
namespace mem = link::memory;

Q_DECLARE_METATYPE(nd::events::BankCommand)

namespace {

struct Rig {
    test::SimFixture sim;
    std::shared_ptr<sim::SimPort> simPort = sim.makePort();
    test::HookedPort port{simPort};
    QByteArray lose; ///< one command that never reaches the meter (a byte lost on the line)
    link::Meter meter{port, sim.clock()};
    std::vector<int> progress;
    BankProgress record = [this](int percent) { progress.push_back(percent); };

    Rig() {
        port.onWrite = [this](const QByteArray& b) {
            return b != lose || std::exchange(lose, {}).isEmpty();
        };
        port.open();
    }
    /// Addresses of the "R" or "W" commands that reached the meter, with the data of a "W".
    std::vector<std::pair<int, int>> sent(char command) const {
        std::vector<std::pair<int, int>> out;
        for (const auto& w : simPort->writes()) {
            const auto b = [&w](int i) {
                return static_cast<unsigned char>(i < w.bytes.size() ? w.bytes.at(i) : 0);
            };
            if (w.bytes.at(0) == command)
                out.emplace_back(b(1) + 256 * b(2), command == 'W' ? b(3) : 0);
        }
        return out;
    }
    bool read(int first, int last) const {
        const auto reads = sent('R');
        return std::any_of(reads.begin(), reads.end(),
                           [&](auto r) { return r.first >= first && r.first <= last; });
    }
};

} // namespace

class BankReaderTest : public QObject {
    Q_OBJECT

private slots:
    void allFiveClearTheUnusedBanksAreas() {
        Rig rig;
        const auto results =
            ReadBanks(rig.meter, {1, 2, 3, 4, 5}, BankCommand::MenuAll, rig.record);
        QStringList used;
        for (const BankResult& r : results)
            used << r.Column[0];
        QCOMPARE(used, QStringList({" Used", " Used", " Unused", " Used", " Unused"}));
        std::vector<std::pair<int, int>> clearing;
        for (int bank : {3, 5})
            for (int i = 1; i <= mem::kBankClearCells; ++i)
                clearing.emplace_back(mem::bankClearCell(bank, i), 0xFF);
        QCOMPARE(rig.sent('W'), clearing);
        QCOMPARE(rig.progress.front(), 0);
        QCOMPARE(rig.progress.back(), 99);
        QVERIFY(std::is_sorted(rig.progress.begin(), rig.progress.end()));
        QCOMPARE(results.front().Column[row::kDose - 1], QString("  123.4"));
        QCOMPARE(rig.meter.state().CriterionLevel, 0); // the live settings stay the meter's
    }

    void aReadFailingMidwayWritesNothing() {
        Rig rig;
        // Bank 3 is unused: decoded with a repeated byte it would be cleared all the same,
        // and a used bank could look unused. Neither may happen.
        const int lost = mem::bankRecordStart(3) + 7;
        rig.lose = link::Bytes({'R', lost % 256, lost / 256});
        const BankResult r = ReadBank(rig.meter, 3, false, {});
        QCOMPARE(r.state, BankResult::State::Unreadable);
        QCOMPARE(r.Column, UnreadableColumn());
        QVERIFY(rig.sent('W').empty() && !rig.read(lost + 1, lost + 12));
        // The meter answers again; one bank alone moves the progress from 0 to 95.
        QCOMPARE(ReadBank(rig.meter, 3, false, rig.record).state, BankResult::State::Read);
        QCOMPARE(rig.progress.front(), 0);
        QCOMPARE(rig.progress.back(), 95);
    }

    void theBankBeingRecordedIsNotRead_data() {
        QTest::addColumn<BankCommand>("command");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("word");
        QTest::newRow("menu, running") << BankCommand::MenuAll << false << "RUN";
        QTest::newRow("menu, paused") << BankCommand::MenuAll << true << "PAUSE";
        QTest::newRow("panel, paused") << BankCommand::PanelAll << true << "Pause";
        QTest::newRow("one bank, running") << BankCommand::One << false << "Running";
    }
    void theBankBeingRecordedIsNotRead() {
        QFETCH(BankCommand, command);
        QFETCH(bool, paused);
        QFETCH(QString, word);
        Rig rig;
        for (int key : {link::keys::kEvent, link::keys::kEvent, link::keys::kRunPause})
            rig.sim.meter().pressKeys(key, 0.0); // bank 3, running
        if (paused)
            rig.sim.meter().pressKeys(link::keys::kRunPause, 0.0);
        rig.meter.PollCycle();
        const auto results = ReadBanks(rig.meter, {2, 3}, command, {});
        QCOMPARE(results.at(0).state, BankResult::State::Read);
        QCOMPARE(results.at(1).state, BankResult::State::Recording);
        QCOMPARE(results.at(1).Column, MarkedColumn(word));
        // Cell 101, read before every bank, lies inside bank 3.
        QVERIFY(!rig.read(100, 100) && !rig.read(102, 119));
    }
};

QTEST_GUILESS_MAIN(BankReaderTest)
#include "test_bank_reader.moc"
