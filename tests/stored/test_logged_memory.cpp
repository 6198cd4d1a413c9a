// The logged memory: record levels, time stamps, set headers, damaged dumps, remaining
// memory and the inputs of the ID code and interval.

#include "stored/LoggedMemory.h"
#include "stored/MemoryTransfer.h"

#include <QTest>

using namespace nd::stored;

namespace {
/// A column of the current data row, for use inside an expression.
template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

/// A logged-memory image built by hand: the cells from 0 up, as a dump delivers them.
class MemoryImage {
public:
    /// Appends a set with the given header bytes and records of (b0, b1, b2), and the one
    /// spare byte the meter leaves after each set.
    void addSet(std::initializer_list<int> header, const QList<std::array<int, 3>>& records) {
        const int start = static_cast<int>(m_cells.size());
        for (int b : header)
            m_cells.append(static_cast<char>(b));
        for (const auto& r : records)
            for (int b : r)
                m_cells.append(static_cast<char>(b));
        m_cells.append('\0');
        ++m_sets;
        setWord(510 + 2 * m_sets, start);
        setWord(512 + 2 * m_sets, static_cast<int>(m_cells.size()));
        m_cells[22] = static_cast<char>(m_sets);
    }
    void setWord(int lowCell, int value) {
        setCell(lowCell, value & 0xFF);
        setCell(lowCell + 1, value >> 8);
    }
    void setCell(int cell, int value) { m_cells[cell] = static_cast<char>(value); }
    int dataEnd() const { return m_sets == 0 ? 768 : static_cast<int>(m_cells.size()); }
    const QByteArray& cells() const { return m_cells; }

private:
    QByteArray m_cells = QByteArray(768, '\0');
    int m_sets = 0;
};
} // namespace

class LoggedMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void recordLevelText_data() {
        QTest::addColumn<int>("bytes"); // b0, b1, b2 from the high end
        QTest::addColumn<QString>("text");
        QTest::newRow("85.7") << 0x570800 << "85.7";
        QTest::newRow("105.3 keeps three digits") << 0x531000 << "105.3";
        QTest::newRow("69.5 is below 70") << 0x950600 << "----";
        QTest::newRow("70.0 is shown") << 0x000700 << "70.0";
        QTest::newRow("overload whatever the digits") << 0x570840 << "OL";
        QTest::newRow("other flag bits ignored") << 0x0009BF << "90.0";
        QTest::newRow("non-decimal digit is no level") << 0x5A0900 << "----";
        QTest::newRow("non-decimal high digit") << 0x00A900 << "----";
    }
    void recordLevelText() {
        const int b = fetch<int>("bytes");
        QTEST(nd::stored::recordLevelText(std::uint8_t(b >> 16), std::uint8_t(b >> 8),
                                          std::uint8_t(b)),
              "text");
    }

    // Header bytes in BCD, interval in tenths; the stamp of record k.
    void recordStamps_data() {
        QTest::addColumn<QList<int>>("header");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("stamp");
        const QList<int> lateMarch{0x09, 0x03, 0x15, 0x23, 0x59, 0x55};
        QTest::newRow("first record crosses midnight")
            << lateMarch << 100 << 1 << "2009/03/16 00:00:05.0";
        QTest::newRow("12th record") << lateMarch << 100 << 12 << "2009/03/16 00:01:55.0";
        const QList<int> ten{0x09, 0x06, 0x01, 0x10, 0x00, 0x00};
        QTest::newRow("125 s, second") << ten << 1250 << 2 << "2009/06/01 10:04:10.0";
        // 0.3 s over thousands of records: whole tenths, never a "60.0".
        QTest::newRow("0.3 s, record 200") << ten << 3 << 200 << "2009/06/01 10:01:00.0";
        QTest::newRow("0.3 s, record 9999") << ten << 3 << 9999 << "2009/06/01 10:49:59.7";
        const QList<int> leap{0x08, 0x02, 0x28, 0x23, 0x59, 0x59};
        QTest::newRow("2008 has Feb 29") << leap << 10 << 1 << "2008/02/29 00:00:00.0";
        const QList<int> noLeap{0x99, 0x12, 0x31, 0x23, 0x59, 0x59};
        QTest::newRow("new year into 2100") << noLeap << 10 << 1 << "2100/01/01 00:00:00.0";
        QTest::newRow("2100 Feb has 28 days")
            << noLeap << 36000 << 24 * 59 << "2100/02/28 23:59:59.0";
        QTest::newRow("...then March") << noLeap << 36000 << 24 * 59 + 1 << "2100/03/01 00:59:59.0";
        const QList<int> y2k{0x00, 0x02, 0x28, 0x12, 0x00, 0x00};
        QTest::newRow("2000 has Feb 29") << y2k << 36000 << 12 << "2000/02/29 00:00:00.0";
        const QList<int> april{0x09, 0x04, 0x30, 0x23, 0x59, 0x59};
        QTest::newRow("30-day month end") << april << 10 << 1 << "2009/05/01 00:00:00.0";
    }
    void recordStamps() {
        QFETCH(QList<int>, header);
        QFETCH(int, interval);
        MemoryImage image;
        image.addSet({header[0], header[1], header[2], header[3], header[4], header[5],
                      interval & 0xFF, interval >> 8},
                     {});
        const LoggedMemory m = decodeLoggedMemory(image.cells(), 1, image.dataEnd());
        QVERIFY2(!m.sets[0].damaged(), qPrintable(m.sets[0].damage));
        const StampTenths stamp = m.sets[0].header->recordStamp(fetch<int>("k"));
        QTEST(stampDateText(stamp) + ' ' + stampTimeText(stamp), "stamp");
    }

    void aSetIsListedWithItsTextsAndRecords() {
        MemoryImage image;
        QList<std::array<int, 3>> records;
        for (int i = 0; i < 100; ++i)
            records.append({0x57, 0x08, i == 3 ? 0x40 : 0});
        image.addSet({0x09, 0x03, 0x15, 0x23, 0x59, 0x55, 0x64, 0x00}, records);
        QCOMPARE(image.dataEnd(), 768 + 309);
        image.setCell(2, 1);
        image.setCell(3, 2);
        image.setCell(18, 125);
        const LoggedMemory m = decodeLoggedMemory(image.cells(), 1, image.dataEnd());
        const LoggedSet& s = m.sets[0];
        QCOMPARE(QStringList({s.dateText, s.timeText, s.intervalText, s.recordsText}),
                 QStringList({"2009/03/15", "23:59:55", "10.0", "100"}));
        // A set that does not fit the layout counts its whole records.
        MemoryImage odd;
        odd.addSet({0x09, 0x03, 0x15, 0x23, 0x59, 0x55, 0x64, 0x00}, {{0x57, 0x08, 0}});
        odd.setWord(514, odd.dataEnd() + 1);
        QByteArray oddCells = odd.cells() + QByteArray(1, '\0');
        const LoggedSet longer = decodeLoggedMemory(oddCells, 1, odd.dataEnd() + 1).sets[0];
        QCOMPARE(longer.recordsText, QString("1"));
        odd.setWord(514, odd.dataEnd() - 1); // no room for the spare byte: one record less
        QCOMPARE(decodeLoggedMemory(odd.cells(), 1, odd.dataEnd()).sets[0].recordsText, "0");
        QCOMPARE(m.idCodeText(), QString("258"));
        QCOMPARE(m.intervalSecondsText(), QString(" 12.5"));
        QCOMPARE(m.remainingText(), QString(" 29.4 K"));
        const LevelList list = listSet(s);
        QCOMPARE(list.rows.size(), std::size_t(100));
        QCOMPARE(list.rows[0].cells(), QStringList({"1", "2009/03/16", "00:00:05.0", "85.7"}));
        QCOMPARE(list.rows[3].level.kind, LevelKind::OverRange);
    }

    void remaining_data() {
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("text");
        QTest::newRow("no set") << 0 << 768 << false << "32 K";
        QTest::newRow("end 1000") << 1 << 1000 << false << " 29.5 K";
        QTest::newRow("full flag wins") << 1 << 1000 << true << "0";
        QTest::newRow("never below 0") << 1 << 40000 << false << " 0 K";
    }
    void remaining() {
        LoggedMemory m;
        m.setCount = fetch<int>("sets");
        m.dataEnd = fetch<int>("end");
        m.memoryFull = fetch<bool>("full");
        QTEST(m.remainingText(), "text");
    }

    // Damaged dumps: only the damaged set is refused, with a reason; nothing is read
    // outside the image. A bad header keeps its records (timed or not) and says why.
    void damagedSets_data() {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QList<int>>("pokes");  // cell, value, ...; none: 200 sets cut at 600
        QTest::addColumn<QString>("firstTime"); // of a set whose records are kept; "-": none
        using P = QList<int>;
        const int h = 768 + 12; // the second set's header: the first has 8 + 3 + 1 bytes
        QTest::newRow("start below the data area")
            << "pointers do not fit" << P{514, 16, 515, 0} << "";
        QTest::newRow("end before start") << "pointers do not fit" << P{516, 0, 517, 3} << "";
        QTest::newRow("end past the dump") << "pointers do not fit" << P{517, 0x7F} << "";
        QTest::newRow("month 13") << "impossible month" << P{h + 1, 0x13} << "-";
        QTest::newRow("February 30") << "impossible day" << P{h + 1, 2, h + 2, 0x30} << "-";
        QTest::newRow("hour 24") << "impossible time" << P{h + 3, 0x24} << "-";
        QTest::newRow("non-BCD minute") << "not decimal" << P{h + 4, 0x5A} << "-";
        QTest::newRow("shorter than a header") << "too short" << P{516, h + 4, 517, 3} << "";
        QTest::newRow("pointer table beyond the dump") << "outside the dump" << P{} << "";
        QTest::newRow("interval 0") << "interval of 0" << P{h + 6, 0} << "10:00:00.0";
    }
    void damagedSets() {
        QFETCH(QList<int>, pokes);
        QFETCH(QString, firstTime);
        MemoryImage image;
        const std::initializer_list<int> good{0x09, 0x03, 0x15, 0x10, 0x00, 0x00, 10, 0};
        image.addSet(good, {{0x00, 0x09, 0}});
        image.addSet(good, {{0x00, 0x09, 0}, {0x00, 0x08, 0}});
        image.addSet(good, {{0x00, 0x09, 0}});
        QByteArray cells = image.cells();
        for (int i = 0; i + 1 < pokes.size(); i += 2)
            cells[pokes[i]] = char(pokes[i + 1]);
        const bool cut = pokes.isEmpty();
        if (cut)
            cells.truncate(600);
        const LoggedMemory m = decodeLoggedMemory(cells, cut ? 200 : 3, image.dataEnd());
        QCOMPARE(int(m.sets.size()), cut ? 200 : 3);
        const LoggedSet& s = m.sets[cut ? 199 : 1];
        QVERIFY(s.troubled());
        QCOMPARE(s.damaged(), firstTime.isEmpty());
        const QString why = s.damaged() ? s.damage : s.headerProblem;
        QVERIFY2(why.contains(fetch<QString>("reason")), qPrintable(why));
        const LevelList list = listSet(s);
        QCOMPARE(list.rows.size(), std::size_t(firstTime.isEmpty() ? 0 : 2));
        if (!firstTime.isEmpty()) {
            QCOMPARE(list.rows[1].value, QString("80.0"));
            QCOMPARE(list.rows[1].time, firstTime == "-" ? QString() : firstTime);
        }
        if (!cut && pokes[0] != 514)
            QVERIFY(!m.sets[0].damaged());
    }

    void pointerTable_data() {
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("right");
        QTest::newRow("no set") << 0 << 768 << true;
        QTest::newRow("one set") << 1 << 1077 << true;
        QTest::newRow("memory full") << 3 << 31232 << true;
        QTest::newRow("end word 0") << 60 << 0 << false;
        QTest::newRow("end in the header") << 2 << 700 << false;
        QTest::newRow("end past the data area") << 2 << 40000 << false;
        QTest::newRow("more sets than the table holds") << 200 << 2000 << false;
    }
    void pointerTable() {
        const auto problem = pointerTableProblem(fetch<int>("sets"), fetch<int>("end"));
        QCOMPARE(!problem.has_value(), fetch<bool>("right"));
    }

    void aShortDumpIsSaid() {
        MemoryImage image;
        image.addSet({0x09, 0x03, 0x15, 0x10, 0x00, 0x00, 10, 0}, {{0x00, 0x09, 0}});
        const LoggedMemory m = decodeLoggedMemory(image.cells().left(770), 1, image.dataEnd());
        QVERIFY(!m.problem.isEmpty());
        QVERIFY(m.sets[0].damaged());
    }

    // The ID code (whole, up to 65535) and the interval (tenths, up to 6553.5).
    void valueInput_data() {
        QTest::addColumn<bool>("interval");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("value");
        const int value = int(MeterValueInput::Verdict::Value);
        const int nothing = int(MeterValueInput::Verdict::Nothing);
        const int invalid = int(MeterValueInput::Verdict::Invalid);
        QTest::newRow("ID 258") << false << "258" << value << 258;
        QTest::newRow("ID 65535") << false << "65535" << value << 65535;
        QTest::newRow("ID empty") << false << "" << nothing << 0;
        QTest::newRow("ID 0") << false << "0" << nothing << 0;
        QTest::newRow("ID 70000") << false << "70000" << invalid << 0;
        QTest::newRow("ID -5") << false << "-5" << invalid << 0;
        QTest::newRow("ID 12.7 is not whole") << false << "12.7" << invalid << 0;
        QTest::newRow("ID letters") << false << "12a" << invalid << 0;
        QTest::newRow("12.5 s") << true << "12.5" << value << 125;
        QTest::newRow("0.1 s") << true << "0.1" << value << 1;
        QTest::newRow(".5 s") << true << ".5" << value << 5;
        QTest::newRow("6553.5 s") << true << "6553.5" << value << 65535;
        QTest::newRow("6600 s") << true << "6600" << invalid << 0;
        QTest::newRow("0.05 s has two decimals") << true << "0.05" << invalid << 0;
        QTest::newRow("0 s") << true << "0" << nothing << 0;
        QTest::newRow("interval cancelled") << true << QString() << nothing << 0;
        QTest::newRow("comma") << true << "1,5" << invalid << 0;
    }
    void valueInput() {
        const QString text = fetch<QString>("text");
        const MeterValueInput in =
            fetch<bool>("interval") ? parseLogIntervalInput(text) : parseIdCodeInput(text);
        QTEST(int(in.verdict), "verdict");
        QTEST(in.value, "value");
    }
};

QTEST_GUILESS_MAIN(LoggedMemoryTest)
#include "test_logged_memory.moc"
