// The .avg file: exact bytes, the round trip, refused files, the listing and CSV.

#include "Fetch.h"
#include "realtime/AverageFile.h"

#include <QTest>

using namespace nd::realtime;

namespace {

AverageFile twoRows() {
    AverageFile f;
    f.fields = {"Hall A", "Kim", "7",        "2026/12/05", "14:50:00", "00:00:10",
                "90",     "3",   "00:00:20", "88.2",       "No"};
    f.rows.push_back(nd::stored::makeRow("1", "2026/12/05", "14:50:10", "85.3"));
    f.rows.push_back(nd::stored::makeRow("2", "2026/12/05", "14:50:20", "----"));
    return f;
}

const QByteArray kTwoRowBytes = "\"JOB: Hall A\"\r\n"
                                "\"Name: Kim\"\r\n"
                                "\"ID: 7\"\r\n"
                                "\"Start date: 2026/12/05\"\r\n"
                                "\"Start time: 14:50:00\"\r\n"
                                "\"Time Int.: 00:00:10\"\r\n"
                                "\"Criterion level: 90\"\r\n"
                                "\"Exchange Rate: 3\"\r\n"
                                "\"Run Time: 00:00:20\"\r\n"
                                "\"SPL Max: 88.2\"\r\n"
                                "\"140 PEAK: No\"\r\n"
                                "************\r\n"
                                "\"No.s\tDate\tTime\tdBA\t\"\r\n"
                                "\"1\t2026/12/05\t14:50:10\t85.3\t\"\r\n"
                                "\"2\t2026/12/05\t14:50:20\t----\t\"\r\n";

QByteArray withLine(int line, const QByteArray& text) {
    QList<QByteArray> lines = kTwoRowBytes.split('\n');
    lines[line - 1] = text + '\r';
    return lines.join('\n');
}

} // namespace

class AverageFileTest : public QObject {
    Q_OBJECT

private slots:
    void twoRowBytes() { QCOMPARE(averageFileBytes(twoRows()), kTwoRowBytes); }

    void saveOpenSaveIsTheSameFile() {
        AverageFile f = twoRows();
        f.fields[kName].clear(); // written as the label and ": " alone
        f.fields[kJob] = " leading blank kept";
        // An interval without a reading: an empty level, never "----".
        f.rows.push_back(nd::stored::makeRow("3", "2026/12/05", "14:50:30", ""));
        const QByteArray first = averageFileBytes(f);
        const AverageFileRead read = readAverageFile(first);
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QCOMPARE(read.content->fields, f.fields);
        QCOMPARE(read.content->rows.size(), std::size_t{3});
        QCOMPARE(averageFileBytes(*read.content), first);
    }

    void readsOtherLineEnds() {
        QByteArray lf = kTwoRowBytes;
        lf.replace("\r\n", "\n");
        const AverageFileRead read = readAverageFile(lf);
        QVERIFY(read.ok());
        QCOMPARE(read.content->rows.back().value, QStringLiteral("----"));
    }

    void aCutLastRow_isLeftOutAndSaid() {
        const AverageFileRead read = readAverageFile(kTwoRowBytes.chopped(12));
        QVERIFY2(read.ok(), qPrintable(read.error.text()));
        QCOMPARE(read.content->rows.size(), std::size_t{1});
        QVERIFY(read.truncatedLastLine);
    }

    void fieldsDropWhatTheFileCannotCarry() {
        AverageFile f = twoRows();
        f.fields[kJob] = "say \"hi\"\tnow\r\n";
        QVERIFY(averageFileBytes(f).startsWith("\"JOB: say hinow\"\r\n"));
    }

    void refused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::newRow("line 12 not the asterisks") << withLine(12, "*****") << 12;
        QTest::newRow("a .dat file") << QByteArray("\"No.s\tDate\tTime\tdBA\t\"\r\n") << 1;
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("header label wrong") << withLine(3, "\"IDX: 7\"") << 3;
        QTest::newRow("ends in the header") << kTwoRowBytes.left(37) << 4;
        QTest::newRow("row with three cells")
            << withLine(14, "\"1\t2026/12/05\t14:50:10\t\"") << 14;
        QTest::newRow("row with a bad date")
            << withLine(14, "\"1\t2026/13/05\t14:50:10\t85.3\t\"") << 14;
        QTest::newRow("row with tenths")
            << withLine(14, "\"1\t2026/12/05\t14:50:10.0\t85.3\t\"") << 14;
        QTest::newRow("row number not a number")
            << withLine(14, "\"x\t2026/12/05\t14:50:10\t85.3\t\"") << 14;
        QTest::newRow("row unquoted") << withLine(14, "1\t2026/12/05\t14:50:10\t85.3\t") << 14;
    }
    void refused() {
        const AverageFileRead read = readAverageFile(QFETCH_TYPE(QByteArray, bytes));
        QVERIFY(!read.ok());
        QCOMPARE(read.error.line, QFETCH_TYPE(int, line));
        QVERIFY(!read.error.why.isEmpty());
    }

    void listing() {
        const QStringList lines = averageListingLines(twoRows());
        const QString lead = "-" + QString(20, ' ');
        QCOMPARE(lines.size(), 4 + 11 + 2 + 2);
        QCOMPARE(lines[4], lead + "JOB: Hall A");
        QCOMPARE(lines[17], lead + "1       2026/12/05  14:50:10      85.3        ");
    }

    void csvCarriesBothMeans() {
        const QByteArray csv = averageCsvBytes(twoRows(), {85.6, std::nullopt});
        QVERIFY(csv.contains("\r\nNo.s,Date,Time,dBA,LAeq\r\n"
                             "1,2026-12-05,14:50:10,85.3,85.6\r\n"
                             "2,2026-12-05,14:50:20,----,\r\n"));
        QVERIFY(csv.startsWith("JOB,Hall A\r\n"));
    }
};

QTEST_GUILESS_MAIN(AverageFileTest)
#include "test_average_file.moc"
