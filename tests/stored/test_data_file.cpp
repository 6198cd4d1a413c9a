// The .dat files (both flavours), CSV, the printed listing and the level parser.

#include "stored/DataFile.h"
#include "stored/Exposure.h"
#include "stored/Listing.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace nd::stored;

namespace {
/// A column of the current data row, for use inside an expression.
template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

LevelList sample() {
    LevelList list;
    list.rows.push_back(makeRow("1", "2009/03/16", "00:00:05.0", "85.7"));
    list.rows.push_back(makeRow("2", "2009/03/16", "00:00:15.0", "OL"));
    list.rows.push_back(makeRow("3", "2009/03/16", "00:00:25.0", "----"));
    list.notes = {"Site A", "north fence", ""};
    return list;
}

} // namespace

class DataFileTest : public QObject {
    Q_OBJECT

private slots:
    void parseLevel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("dB");
        QTest::newRow("level") << "94.5" << int(LevelKind::Level) << 94.5;
        QTest::newRow("beyond the top") << "142.0" << int(LevelKind::Level) << 142.0;
        QTest::newRow("blanks around") << " 85.7 " << int(LevelKind::Level) << 85.7;
        QTest::newRow("OL") << "OL" << int(LevelKind::OverRange) << 140.0;
        QTest::newRow("----") << "----" << int(LevelKind::UnderRange) << 70.0;
        QTest::newRow("empty") << "" << int(LevelKind::Missing) << 0.0;
        QTest::newRow("clock") << "12:34" << int(LevelKind::NotLevel) << 0.0;
        QTest::newRow("trailing point") << "94." << int(LevelKind::NotLevel) << 0.0;
        QTest::newRow("%DOSE without a point") << "120" << int(LevelKind::NotLevel) << 0.0;
        QTest::newRow("sign") << "-5.0" << int(LevelKind::NotLevel) << 0.0;
        QTest::newRow("letters") << "9A.5" << int(LevelKind::NotLevel) << 0.0;
    }
    void parseLevel() {
        const Level level = nd::stored::parseLevel(fetch<QString>("text"));
        QCOMPARE(int(level.kind), fetch<int>("kind"));
        QCOMPARE(level.dB, fetch<double>("dB"));
    }

    void gridFlavour_isQuotedWithTrailingTabsAndNotes() {
        const QByteArray bytes = gridFileBytes(sample());
        QVERIFY(bytes.startsWith("\"No.s\tDate\tTime\tdBA\t\"\r\n"
                                 "\"1\t2009/03/16\t00:00:05.0\t85.7\t\"\r\n"));
        QVERIFY(bytes.endsWith("\"*****Site A\"\r\n\"*****north fence\"\r\n\"*****\"\r\n"));
        // An empty grid: the header and three empty notes.
        QCOMPARE(gridFileBytes({}), QByteArray("\"No.s\tDate\tTime\tdBA\t\"\r\n"
                                               "\"*****\"\r\n\"*****\"\r\n\"*****\"\r\n"));
    }

    void roundTrip_data() {
        QTest::addColumn<int>("flavour");
        QTest::addColumn<bool>("lfOnly");
        QTest::newRow("grid") << int(DataFlavour::Grid) << false;
        QTest::newRow("recording") << int(DataFlavour::Recording) << false;
        QTest::newRow("grid, LF only") << int(DataFlavour::Grid) << true;
        QTest::newRow("recording, LF only") << int(DataFlavour::Recording) << true;
    }
    void roundTrip() {
        QFETCH(int, flavour);
        const LevelList list = sample();
        QByteArray bytes;
        if (flavour == int(DataFlavour::Grid)) {
            bytes = gridFileBytes(list);
        } else {
            bytes = recordingHeaderLine();
            for (const LevelRow& r : list.rows)
                bytes += recordingLine(r);
        }
        if (fetch<bool>("lfOnly"))
            bytes.replace("\r\n", "\n");
        const DataFileRead read = readDataFile(bytes);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QCOMPARE(int(read.content->flavour), flavour);
        QCOMPARE(csvBytes(read.content->list), csvBytes(list));
        QCOMPARE(read.content->list.rows[1].level.kind, LevelKind::OverRange);
        if (flavour == int(DataFlavour::Grid))
            QCOMPARE(read.content->list.notes, list.notes);
        else
            QCOMPARE(read.content->list.notes, (std::array<QString, 3>{}));
    }

    // Three notes are kept, without quotes, tabs or commas; more are counted.
    void notes_threeKeptAndCleaned() {
        LevelList list;
        list.notes = {"a\"b\tc,d", "", "three"};
        const DataFileRead read = readDataFile(gridFileBytes(list) + "\"*****four\"\r\n");
        QVERIFY(read.ok());
        QCOMPARE(read.content->list.notes, (std::array<QString, 3>{"abcd", "", "three"}));
        QCOMPARE(read.content->droppedNotes, 1);
    }

    // Gaps are accepted; a cut last line (a recording killed mid-line) is dropped and said.
    void aRecording_withAGapAndACutLastLine() {
        const QByteArray bytes = "No.s\tDate\tTime\tdBA\r\n"
                                 "1\t2009/03/16\t23:59:59.8\t80.1\r\n"
                                 "4\t2009/03/17\t00:00:00.4\t81.0\r\n"
                                 "5\t2009/03/17\t00:0";
        const DataFileRead read = readDataFile(bytes);
        QVERIFY(read.ok());
        QCOMPARE(read.content->list.rows.size(), std::size_t(2));
        QCOMPARE(spanSeconds(read.content->list), 0.6);
        QVERIFY(read.content->truncatedLastLine);
    }

    // Only a file without the heading is refused; other lines are kept as they stand,
    // counted apart from the levels, and the first is named.
    void badFiles_nameTheLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("rows"); // -1: refused
        QTest::addColumn<int>("levels");
        QTest::newRow("not a level list") << QByteArray("Name,Address\r\n") << "line 1:" << -1 << 0;
        QTest::newRow("empty") << QByteArray() << "line 1:" << -1 << 0;
        QTest::newRow("bad date") << QByteArray("No.s\n1\t2009/02/30\t00:00:00.0\t80.0\n"
                                                "2\t2009/03/01\t00:00:00.0\t80.0\n")
                                  << "line 2: \"2009/02/30" << 2 << 2;
        QTest::newRow("bad number") << QByteArray("No.s\n1\t2009/02/03\t00:00:00.0\t80.0\n"
                                                  "x\t2009/02/03\t00:00:01.0\t80.0\n")
                                    << "line 3: the number" << 2 << 2;
        QTest::newRow("too few cells")
            << QByteArray("No.s\n1\t2009/02/03\n\n") << "line 2:" << 1 << 0;
        QTest::newRow("hour 24") << QByteArray("No.s\n1\t2009/02/03\t24:00:00.0\t80.0\n")
                                 << "line 2:" << 1 << 1;
        QTest::newRow("a note too short") << QByteArray("No.s\r\n****\r\n") << "line 2:" << 1 << 0;
        QTest::newRow("a comment among rows")
            << QByteArray("No.s\n1\t2009/02/03\t00:00:00.0\t80.0\nbreak\tlunch\n"
                          "2\t2009/02/03\t00:00:01.0\t81.0\n")
            << "line 3:" << 3 << 2;
    }
    void badFiles_nameTheLine() {
        const DataFileRead read = readDataFile(fetch<QByteArray>("bytes"));
        const int rows = fetch<int>("rows");
        QCOMPARE(read.ok(), rows >= 0);
        const ReadError& error = read.ok() ? read.content->firstOther : read.error;
        QVERIFY2(error.text().startsWith(fetch<QString>("error")), qPrintable(error.text()));
        if (!read.ok())
            return;
        QCOMPARE(int(read.content->list.rows.size()), rows);
        const Exposure e = computeExposure(read.content->list, standardPresets().front());
        QCOMPARE(e.samples, fetch<int>("levels"));
        QCOMPARE(e.ignored, rows - e.samples);
        QVERIFY(read.content->remarks().join(' ').contains("not a row"));
    }

    void csv_isRfc4180WithIsoDates() {
        LevelList list = sample();
        list.rows.push_back(makeRow("4", "2009/03/16", "00:00:35.0", "a,\"b"));
        const QByteArray csv = csvBytes(list);
        QVERIFY(csv.startsWith("No.s,Date,Time,dBA\r\n1,2009-03-16,00:00:05.0,85.7\r\n"));
        QVERIFY(csv.endsWith("4,2009-03-16,00:00:35.0,\"a,\"\"b\"\r\n"));
    }

    // A full disk: with the file size limit lowered every write past it fails (EFBIG), as
    // ENOSPC would, and the save must say so and leave the old file as it was.
    void aFailedSave_saysWhyAndLeavesTheOldFileWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dat");
        QVERIFY(!saveBytes(path, "old"));
        QVERIFY(saveBytes(dir.filePath("missing/a.dat"), "new").has_value());

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        // Within Qt's write buffer (the failure shows at flush) and beyond it (a short write).
        const auto buffered = saveBytes(path, QByteArray(3000, 'x'));
        const auto direct = saveBytes(path, QByteArray(64 * 1024, 'x'));
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);

        for (const auto& why : {buffered, direct}) {
            QVERIFY(why.has_value());
            QVERIFY2(why->contains("large", Qt::CaseInsensitive), qPrintable(*why));
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old"));
    }

    void listing_threeRowsGiveThirteenLines() {
        const QStringList lines = listingLines(sample());
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0], QString(" "));
        QCOMPARE(lines[4], "-" + QString(20, ' ') + "Site A");
        QCOMPARE(lines[7], QString());
        const QString row = lines[10];
        // Columns counted from 1: the date at 30 to 39, the level 85.7 at 55 to 58.
        QCOMPARE(row.mid(29, 10), QString("2009/03/16"));
        QCOMPARE(row.mid(54, 4), QString("85.7"));
        QCOMPARE(row.size(), 61);
        QCOMPARE(lines[11].mid(55, 3), QString(" OL"));
    }
};

QTEST_GUILESS_MAIN(DataFileTest)
#include "test_data_file.moc"
