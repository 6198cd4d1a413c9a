// The logged memory: record levels, time stamps, set headers, damaged dumps, remaining
// memory and the inputs of the ID code and interval.

#include "MemoryImage.h"
#include "stored/LoggedMemory.h"
#include "stored/MemoryTransfer.h"

#include <QTest>

using namespace nd::stored;

namespace {
/// A column of the current data row, for use inside an expression.
template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}
} // namespace
using nd::test::MemoryImage;

class LoggedMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void recordLevelText_data() {
        QTest::addColumn<int>("b0");
        QTest::addColumn<int>("b1");
        QTest::addColumn<int>("b2");
        QTest::addColumn<QString>("text");
        QTest::newRow("85.7") << 0x57 << 0x08 << 0x00 << "85.7";
        QTest::newRow("105.3 keeps three digits") << 0x53 << 0x10 << 0x00 << "105.3";
        QTest::newRow("69.5 is below 70") << 0x95 << 0x06 << 0x00 << "----";
        QTest::newRow("70.0 is shown") << 0x00 << 0x07 << 0x00 << "70.0";
        QTest::newRow("overload whatever the digits") << 0x57 << 0x08 << 0x40 << "OL";
        QTest::newRow("other flag bits ignored") << 0x00 << 0x09 << 0xBF << "90.0";
        QTest::newRow("non-decimal digit is no level") << 0x5A << 0x09 << 0x00 << "----";
        QTest::newRow("non-decimal high digit") << 0x00 << 0xA9 << 0x00 << "----";
    }
    void recordLevelText() {
        QFETCH(int, b0);
        QFETCH(int, b1);
        QFETCH(int, b2);
        QCOMPARE(nd::stored::recordLevelText(static_cast<std::uint8_t>(b0),
                                             static_cast<std::uint8_t>(b1),
                                             static_cast<std::uint8_t>(b2)),
                 fetch<QString>("text"));
    }

    // Header bytes in BCD, interval in tenths; the stamp of record k.
    void recordStamps_data() {
        QTest::addColumn<QList<int>>("header");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        const QList<int> lateMarch{0x09, 0x03, 0x15, 0x23, 0x59, 0x55};
        QTest::newRow("first record crosses midnight") << lateMarch << 100 << 1 << "2009/03/16"
                                                       << "00:00:05.0";
        QTest::newRow("12th record") << lateMarch << 100 << 12 << "2009/03/16"
                                     << "00:01:55.0";
        const QList<int> ten{0x09, 0x06, 0x01, 0x10, 0x00, 0x00};
        QTest::newRow("125 s, first") << ten << 1250 << 1 << "2009/06/01"
                                      << "10:02:05.0";
        QTest::newRow("125 s, second") << ten << 1250 << 2 << "2009/06/01"
                                       << "10:04:10.0";
        // 0.3 s over thousands of records: whole tenths, never a "60.0".
        QTest::newRow("0.3 s, record 200") << ten << 3 << 200 << "2009/06/01"
                                           << "10:01:00.0";
        QTest::newRow("0.3 s, record 9999") << ten << 3 << 9999 << "2009/06/01"
                                            << "10:49:59.7";
        const QList<int> leap{0x08, 0x02, 0x28, 0x23, 0x59, 0x59};
        QTest::newRow("2008 has Feb 29") << leap << 10 << 1 << "2008/02/29"
                                         << "00:00:00.0";
        const QList<int> noLeap{0x99, 0x12, 0x31, 0x23, 0x59, 0x59};
        QTest::newRow("new year into 2100") << noLeap << 10 << 1 << "2100/01/01"
                                            << "00:00:00.0";
        QTest::newRow("2100 Feb has 28 days") << noLeap << 36000 << 24 * 59 << "2100/02/28"
                                              << "23:59:59.0";
        QTest::newRow("...then March") << noLeap << 36000 << 24 * 59 + 1 << "2100/03/01"
                                       << "00:59:59.0";
        const QList<int> y2k{0x00, 0x02, 0x28, 0x12, 0x00, 0x00};
        QTest::newRow("2000 has Feb 29") << y2k << 36000 << 12 << "2000/02/29"
                                         << "00:00:00.0";
        const QList<int> april{0x09, 0x04, 0x30, 0x23, 0x59, 0x59};
        QTest::newRow("30-day month end") << april << 10 << 1 << "2009/05/01"
                                          << "00:00:00.0";
    }
    void recordStamps() {
        QFETCH(QList<int>, header);
        QFETCH(int, interval);
        QFETCH(int, k);
        MemoryImage image;
        image.addSet({header[0], header[1], header[2], header[3], header[4], header[5],
                      interval & 0xFF, interval >> 8},
                     {});
        const LoggedMemory m = decodeLoggedMemory(image.cells(), 1, image.dataEnd());
        QVERIFY2(!m.sets[0].damaged(), qPrintable(m.sets[0].damage));
        const StampTenths stamp = m.sets[0].header->recordStamp(k);
        QCOMPARE(stampDateText(stamp), fetch<QString>("date"));
        QCOMPARE(stampTimeText(stamp), fetch<QString>("time"));
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
        QCOMPARE(s.dateText, QString("2009/03/15"));
        QCOMPARE(s.timeText, QString("23:59:55"));
        QCOMPARE(s.intervalText, QString("10.0"));
        QCOMPARE(s.recordsText, QString("100"));
        // A set that does not fit the layout counts its whole records.
        MemoryImage odd;
        odd.addSet({0x09, 0x03, 0x15, 0x23, 0x59, 0x55, 0x64, 0x00}, {{0x57, 0x08, 0}});
        odd.setWord(514, odd.dataEnd() + 1);
        QByteArray oddCells = odd.cells() + QByteArray(1, '\0');
        const LoggedSet longer = decodeLoggedMemory(oddCells, 1, odd.dataEnd() + 1).sets[0];
        QCOMPARE(longer.recordsText, QString("1"));
        QCOMPARE(m.idCodeText(), QString("258"));
        QCOMPARE(m.intervalSecondsText(), QString(" 12.5"));
        QCOMPARE(m.remainingText(), QString(" 29.4 K"));
        const LevelList list = listSet(s);
        QCOMPARE(list.rows.size(), std::size_t(100));
        QCOMPARE(list.rows[0].cells(), QStringList({"1", "2009/03/16", "00:00:05.0", "85.7"}));
        QCOMPARE(list.rows[3].value, QString("OL"));
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
        QCOMPARE(m.remainingText(), fetch<QString>("text"));
    }

    // Damaged dumps: only the damaged set is refused, with a reason; nothing is read
    // outside the image. A bad header keeps its records (timed or not) and says why.
    void damagedSets_data() {
        QTest::addColumn<int>("damage"); // what to break
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("firstTime"); // of a set whose records are kept
        QTest::newRow("start below the data area") << 0 << "pointers do not fit"
                                                   << "";
        QTest::newRow("end before start") << 1 << "pointers do not fit"
                                          << "";
        QTest::newRow("end past the dump") << 2 << "pointers do not fit"
                                           << "";
        QTest::newRow("month 13") << 3 << "impossible month"
                                  << "-";
        QTest::newRow("February 30") << 4 << "impossible day"
                                     << "-";
        QTest::newRow("non-BCD minute") << 5 << "not decimal"
                                        << "-";
        QTest::newRow("shorter than a header") << 6 << "too short"
                                               << "";
        QTest::newRow("pointer table beyond the dump") << 7 << "outside the dump"
                                                       << "";
        QTest::newRow("interval 0") << 8 << "interval of 0"
                                    << "10:00:00.0";
    }
    void damagedSets() {
        QFETCH(int, damage);
        QFETCH(QString, firstTime);
        MemoryImage image;
        const std::initializer_list<int> good{0x09, 0x03, 0x15, 0x10, 0x00, 0x00, 10, 0};
        image.addSet(good, {{0x00, 0x09, 0}});
        image.addSet(good, {{0x00, 0x09, 0}, {0x00, 0x08, 0}});
        image.addSet(good, {{0x00, 0x09, 0}});
        QByteArray cells = image.cells();
        int sets = 3;
        const int set2 = 768 + 12; // first set: 8 + 3 + 1 bytes
        switch (damage) {
        case 0:
            cells[514] = char(0x10);
            cells[515] = 0;
            break; // start 16
        case 1:
            cells[516] = char(0x00);
            cells[517] = char(0x03);
            break; // end 768
        case 2:
            cells[517] = char(0x7F);
            break;
        case 3:
            cells[set2 + 1] = char(0x13);
            break;
        case 4:
            cells[set2 + 1] = char(0x02);
            cells[set2 + 2] = char(0x30);
            break;
        case 5:
            cells[set2 + 4] = char(0x5A);
            break;
        case 6:
            cells[516] = char((set2 + 4) & 0xFF);
            cells[517] = char((set2 + 4) >> 8);
            break;
        case 7:
            sets = 200;
            cells.truncate(600);
            break;
        case 8:
            cells[set2 + 6] = 0;
            break;
        }
        const LoggedMemory m = decodeLoggedMemory(cells, sets, image.dataEnd());
        QCOMPARE(int(m.sets.size()), sets);
        const LoggedSet& s = m.sets[damage == 7 ? 199 : 1];
        QVERIFY(s.troubled());
        QCOMPARE(s.damaged(), firstTime.isEmpty());
        const QString why = s.damaged() ? s.damage : s.headerProblem;
        QVERIFY2(why.contains(fetch<QString>("reason")), qPrintable(why));
        const LevelList list = listSet(s);
        if (firstTime.isEmpty()) {
            QVERIFY(list.rows.empty());
        } else {
            QCOMPARE(list.rows.size(), std::size_t(2));
            QCOMPARE(list.rows[1].value, QString("80.0"));
            QCOMPARE(list.rows[1].time, firstTime == "-" ? QString() : firstTime);
        }
        if (damage != 0 && damage != 7)
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

    void idInput_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("value");
        using V = MeterValueInput::Verdict;
        QTest::newRow("258") << "258" << int(V::Value) << 258;
        QTest::newRow("65535") << "65535" << int(V::Value) << 65535;
        QTest::newRow("empty") << "" << int(V::Nothing) << 0;
        QTest::newRow("0") << "0" << int(V::Nothing) << 0;
        QTest::newRow("70000") << "70000" << int(V::Invalid) << 0;
        QTest::newRow("-5") << "-5" << int(V::Invalid) << 0;
        QTest::newRow("12.7 is not whole") << "12.7" << int(V::Invalid) << 0;
        QTest::newRow("letters") << "12a" << int(V::Invalid) << 0;
    }
    void idInput() {
        const MeterValueInput in = parseIdCodeInput(fetch<QString>("text"));
        QCOMPARE(int(in.verdict), fetch<int>("verdict"));
        QCOMPARE(in.value, fetch<int>("value"));
    }

    void intervalInput_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("tenths");
        using V = MeterValueInput::Verdict;
        QTest::newRow("12.5") << "12.5" << int(V::Value) << 125;
        QTest::newRow("0.1") << "0.1" << int(V::Value) << 1;
        QTest::newRow(".5") << ".5" << int(V::Value) << 5;
        QTest::newRow("6553.5") << "6553.5" << int(V::Value) << 65535;
        QTest::newRow("6600") << "6600" << int(V::Invalid) << 0;
        QTest::newRow("0.05 has two decimals") << "0.05" << int(V::Invalid) << 0;
        QTest::newRow("0") << "0" << int(V::Nothing) << 0;
        QTest::newRow("cancel") << QString() << int(V::Nothing) << 0;
        QTest::newRow("comma") << "1,5" << int(V::Invalid) << 0;
    }
    void intervalInput() {
        const MeterValueInput in = parseLogIntervalInput(fetch<QString>("text"));
        QCOMPARE(int(in.verdict), fetch<int>("verdict"));
        QCOMPARE(in.value, fetch<int>("tenths"));
    }
};

QTEST_GUILESS_MAIN(LoggedMemoryTest)
#include "test_logged_memory.moc"
