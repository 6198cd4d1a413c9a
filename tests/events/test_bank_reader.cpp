// Bank reads as link jobs do them, against the in-process virtual meter.
#include "SimFixture.h"
#include "events/BankReader.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"

#include <QTest>

using namespace nd;
using namespace nd::events;
namespace mem = link::memory;

namespace {

/// The virtual meter's port, except that one command never reaches the meter (a byte
/// lost on the line), so its read comes back empty.
class LossyPort final : public link::Port {
public:
    explicit LossyPort(std::shared_ptr<sim::SimPort> port) : m_port(std::move(port)) {}
    void loseOnce(const QByteArray& command) { m_lose = command; }

    link::OpenResult open() override { return m_port->open(); }
    void close() override { m_port->close(); }
    bool isOpen() const override { return m_port->isOpen(); }
    void clearInput() override { m_port->clearInput(); }
    QByteArray readAll() override { return m_port->readAll(); }
    bool write(const QByteArray& bytes) override {
        if (!m_lose.isEmpty() && bytes == m_lose) {
            m_lose.clear();
            return true;
        }
        return m_port->write(bytes);
    }
    bool hasFailed() const override { return m_port->hasFailed(); }
    QString deviceName() const override { return m_port->deviceName(); }

private:
    std::shared_ptr<sim::SimPort> m_port;
    QByteArray m_lose;
};

struct Rig {
    test::SimFixture sim;
    std::shared_ptr<sim::SimPort> simPort = sim.makePort();
    LossyPort port{simPort};
    link::Meter meter{port, sim.clock()};
    std::vector<int> progress;

    Rig() { port.open(); }
    BankProgress recordProgress() {
        return [this](int percent) { progress.push_back(percent); };
    }
    /// Cells written with "W", in order.
    std::vector<std::pair<int, int>> cellWrites() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& w : simPort->writes())
            if (w.bytes.size() == 4 && w.bytes.at(0) == 'W')
                out.emplace_back(static_cast<unsigned char>(w.bytes.at(1)) +
                                     256 * static_cast<unsigned char>(w.bytes.at(2)),
                                 static_cast<unsigned char>(w.bytes.at(3)));
        return out;
    }
    bool readAnyOf(int first, int last) const {
        for (const auto& w : simPort->writes())
            if (w.bytes.size() == 3 && w.bytes.at(0) == 'R') {
                const int a = static_cast<unsigned char>(w.bytes.at(1)) +
                              256 * static_cast<unsigned char>(w.bytes.at(2));
                if (a >= first && a <= last)
                    return true;
            }
        return false;
    }
};

std::vector<std::pair<int, int>> clearingWrites(int bank) {
    std::vector<std::pair<int, int>> out;
    for (int i = 1; i <= mem::kBankClearCells; ++i)
        out.emplace_back(mem::bankClearCell(bank, i), 0xFF);
    return out;
}

} // namespace

class BankReaderTest : public QObject {
    Q_OBJECT

private slots:
    void oneUsedBankIsDecodedAndNothingWritten() {
        Rig rig;
        const BankResult r = ReadBank(rig.meter, 1, false, rig.recordProgress());
        QCOMPARE(r.state, BankResult::State::Read);
        QCOMPARE(r.BankData.size(), 20);
        QCOMPARE(r.Column[row::kUsed - 1], QString(" Used"));
        QCOMPARE(r.Column[row::kDose - 1], QString("  123.4"));
        QCOMPARE(r.Column[row::kPeakTime - 1], QString(" 11:02"));
        QVERIFY(rig.cellWrites().empty());
        QCOMPARE(rig.progress.front(), 0);
        QCOMPARE(rig.progress.back(), 95);
        QCOMPARE(rig.progress.size(), std::size_t{20});
        // The live settings are the meter's, not the bank's.
        QCOMPARE(rig.meter.state().CriterionLevel, 0);
    }

    void allFiveClearTheUnusedBanksAreas() {
        Rig rig;
        const auto results =
            ReadBanks(rig.meter, {1, 2, 3, 4, 5}, BankCommand::MenuAll, rig.recordProgress());
        QCOMPARE(results.size(), std::size_t{5});
        QStringList used;
        for (const BankResult& r : results)
            used << r.Column[0];
        QCOMPARE(used, QStringList({" Used", " Used", " Unused", " Used", " Unused"}));
        auto expected = clearingWrites(3);
        for (const auto& w : clearingWrites(5))
            expected.push_back(w);
        QCOMPARE(rig.cellWrites(), expected);
        QCOMPARE(rig.sim.meter().cell(mem::bankClearCell(5, 6)), 0xFF);
        QCOMPARE(rig.progress.front(), 0);
        QCOMPARE(rig.progress.back(), 99);
        QVERIFY(std::is_sorted(rig.progress.begin(), rig.progress.end()));
    }

    void aReadFailingMidwayWritesNothing() {
        Rig rig;
        // Bank 3 is unused: decoded from a repeated byte it would be cleared all the same,
        // and a used bank could look unused. Neither may happen.
        const int lost = mem::bankRecordStart(3) + 7;
        rig.port.loseOnce(link::Bytes({'R', lost % 256, lost / 256}));
        const BankResult r = ReadBank(rig.meter, 3, false, {});
        QCOMPARE(r.state, BankResult::State::Unreadable);
        QCOMPARE(r.Column[0], QString(" Unreadable"));
        QVERIFY(rig.cellWrites().empty());
        QVERIFY(!rig.readAnyOf(lost + 1, mem::bankRecordStart(3) + 19));
        // The meter answers again: the next read goes through.
        QCOMPARE(ReadBank(rig.meter, 3, false, {}).state, BankResult::State::Read);
    }

    void theBankBeingRecordedIsNotRead_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("word");
        QTest::newRow("menu, running") << int(BankCommand::MenuAll) << false << "RUN";
        QTest::newRow("menu, paused") << int(BankCommand::MenuAll) << true << "PAUSE";
        QTest::newRow("panel, paused") << int(BankCommand::PanelAll) << true << "Pause";
        QTest::newRow("one bank, running") << int(BankCommand::One) << false << "Running";
    }
    void theBankBeingRecordedIsNotRead() {
        QFETCH(int, command);
        QFETCH(bool, paused);
        QFETCH(QString, word);
        Rig rig;
        auto& meter = rig.sim.meter();
        meter.pressKeys(link::keys::kEvent, 0.0);
        meter.pressKeys(link::keys::kEvent, 0.0); // bank 3
        meter.pressKeys(link::keys::kRunPause, 0.0);
        if (paused)
            meter.pressKeys(link::keys::kRunPause, 0.0);
        rig.meter.PollCycle();
        const auto results = ReadBanks(rig.meter, {2, 3}, static_cast<BankCommand>(command), {});
        QCOMPARE(results.at(0).state, BankResult::State::Read);
        QCOMPARE(results.at(1).state, BankResult::State::Recording);
        QCOMPARE(results.at(1).Column, MarkedColumn(word));
        // Cell 101, read before every bank, lies inside bank 3.
        QVERIFY(!rig.readAnyOf(100, 100));
        QVERIFY(!rig.readAnyOf(102, 119));
    }

    void recordedBankRules_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<int>("all");
        QTest::addColumn<int>("one");
        QTest::newRow("stopped") << false << false << 0 << 0;
        QTest::newRow("running") << true << false << 4 << 4;
        // Paused alone counts for one bank only.
        QTest::newRow("paused alone") << false << true << 0 << 4;
    }
    void recordedBankRules() {
        QFETCH(bool, running);
        QFETCH(bool, paused);
        QFETCH(int, all);
        QFETCH(int, one);
        link::MeterState s;
        s.Running = running;
        s.Paused = paused;
        s.BankNumber = 4;
        QCOMPARE(RecordedBank(s, BankCommand::MenuAll), all);
        QCOMPARE(RecordedBank(s, BankCommand::PanelAll), all);
        QCOMPARE(RecordedBank(s, BankCommand::One), one);
    }
};

QTEST_GUILESS_MAIN(BankReaderTest)
#include "test_bank_reader.moc"
