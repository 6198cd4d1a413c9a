// Interval averages: classification of readings, the mean's text, LAeq, the run's
// maximum and over-range flag, interval boundaries, pauses, the interval answers and the
// averages of a level list; the .avg file: exact bytes, the round trip, refused files,
// the listing and CSV.

#include "Fetch.h"
#include "realtime/AverageFile.h"
#include "realtime/IntervalAverager.h"
#include "realtime/IntervalInput.h"

#include <QTest>

#include <cmath>

using namespace nd::realtime;
using nd::stored::parseLevel;

namespace {

/// "n*text" expands to n readings of text: {"5*90.0", "5*OL"}.
QStringList expand(const QStringList& spec) {
    QStringList out;
    for (const QString& item : spec) {
        const auto star = item.indexOf(QLatin1Char('*'));
        const int n = star < 0 ? 1 : item.left(star).toInt();
        for (int i = 0; i < n; ++i)
            out << item.mid(star + 1);
    }
    return out;
}

/// The readings fed as the Average window feeds them: one a second from the run's start,
/// the interval closing at the tick that completes it.
std::vector<IntervalAverage> feedTicks(IntervalAverager& averager, const QStringList& readings) {
    std::vector<IntervalAverage> closed;
    for (qsizetype k = 1; k <= readings.size(); ++k) {
        averager.add((k - 1) * 10, parseLevel(readings[k - 1]));
        for (const IntervalAverage& a : averager.advanceTo(k * 10))
            closed.push_back(a);
    }
    return closed;
}

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

class IntervalAveragesTest : public QObject {
    Q_OBJECT

private slots:
    void oneInterval_data() {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QString>("mean");
        QTest::addColumn<int>("samples");
        QTest::addColumn<double>("laeq"); // -1: none
        QTest::addColumn<int>("clamped");
        QTest::newRow("OL counts as 140.0, never among tenths")
            << QStringList{"5*90.0", "5*OL"} << "115.0" << 10 << 137.0 << 5;
        QTest::newRow("all OL") << QStringList{"10*OL"} << "OL" << 10 << 140.0 << 10;
        QTest::newRow("blank counts as 70.0")
            << QStringList{"5*80.0", "5*----"} << "75.0" << 10 << 77.4 << 5;
        QTest::newRow("0000 display is 142.0, not 0")
            << QStringList{"10*142.0"} << "142.0" << 10 << 142.0 << 0;
        QTest::newRow("link lost mid-interval: not counted")
            << QStringList{"4*80.0", "6*"} << "80.0" << 4 << 80.0 << 0;
        QTest::newRow("no reading: no level text") << QStringList{"10*"} << "" << 0 << -1.0 << 0;
        QTest::newRow("a clock is no level")
            << QStringList{"9*80.0", "8:35"} << "80.0" << 9 << 80.0 << 0;
        QTest::newRow("energy mean of 90 and 80")
            << QStringList{"5*90.0", "5*80.0"} << "85.0" << 10 << 87.4 << 0;
        QTest::newRow("cut down to the tenth, not rounded")
            << QStringList{"5*85.3", "5*85.4"} << "85.3" << 10 << 85.4 << 0;
        QTest::newRow("59 of 100.0 and one OL")
            << QStringList{"59*100.0", "OL"} << "100.6" << 60 << 122.2 << 1;
        QTest::newRow("mean below 70") << QStringList{"10*65.0"} << "----" << 10 << 65.0 << 0;
    }
    void oneInterval() {
        QFETCH(QStringList, readings);
        const QStringList all = expand(readings);
        IntervalAverager averager;
        averager.start(0, all.size() * 10);
        const auto closed = feedTicks(averager, all);
        QCOMPARE(closed.size(), std::size_t{1});
        QCOMPARE(closed[0].meanText(), QFETCH_TYPE(QString, mean));
        QCOMPARE(closed[0].samples, QFETCH_TYPE(int, samples));
        const auto laeq = closed[0].laeq();
        QCOMPARE(laeq ? std::round(*laeq * 10) / 10 : -1.0, QFETCH_TYPE(double, laeq));
        QCOMPARE(averager.clampedCount(), QFETCH_TYPE(int, clamped));
    }

    void aReadingTakenBeforeTheIntervalIsDropped() {
        IntervalAverager averager;
        averager.start(0, 100);
        averager.restartInterval(50); // a resume: what was taken before it is not counted
        averager.add(40, parseLevel(u"90.0"));
        averager.add(60, parseLevel(u"80.0"));
        const auto closed = averager.advanceTo(150);
        QCOMPARE(closed.size(), std::size_t{1});
        QCOMPARE(closed[0].samples, 1);
    }

    void runMaximum_data() {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QString>("max");
        QTest::addColumn<bool>("peak");
        QTest::newRow("highest level") << QStringList{"80.0", "105.3", "----"} << "105.3" << false;
        QTest::newRow("over range") << QStringList{"OL", "90.0"} << "OL" << true;
        QTest::newRow("only blanks") << QStringList{"----", "----"} << "----" << false;
        QTest::newRow("0000 display beats OL") << QStringList{"OL", "142.0"} << "142.0" << true;
        QTest::newRow("140.0 typed is no over-range flag")
            << QStringList{"140.0"} << "140.0" << false;
        QTest::newRow("nothing") << QStringList{""} << "----" << false;
    }
    void runMaximum() {
        QFETCH(QStringList, readings);
        IntervalAverager averager;
        averager.start(0, 100);
        feedTicks(averager, readings);
        QCOMPARE(averager.maximum().text(), QFETCH_TYPE(QString, max));
        QCOMPARE(averager.overloadSeen(), QFETCH_TYPE(bool, peak));
    }

    void listAverages_data() {
        QTest::addColumn<QList<int>>("seconds"); // stamps of the rows, from 12:00:00
        QTest::addColumn<QStringList>("means");
        QTest::addColumn<QList<int>>("samples");
        QTest::addColumn<QList<int>>("ends"); // seconds after 12:00:00
        QTest::newRow("incomplete last interval dropped")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14} << QStringList{"80.0"}
            << QList<int>{10} << QList<int>{10};
        QTest::newRow("last row completes it")
            << QList<int>{0, 2, 4, 6, 8} << QStringList{"80.0"} << QList<int>{5} << QList<int>{10};
        QTest::newRow("gap gives empty intervals")
            << QList<int>{0, 5, 35, 40, 45} << QStringList{"80.0", "", "", "80.0", "80.0"}
            << QList<int>{2, 0, 0, 1, 2} << QList<int>{10, 20, 30, 40, 50};
        QTest::newRow("one row") << QList<int>{0} << QStringList{} << QList<int>{} << QList<int>{};
        QTest::newRow("clock back: rows followed in order")
            << QList<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}
            << QStringList(4, "80.0") << QList<int>{5, 5, 5, 5} << QList<int>{10, 20, 15, 25};
    }
    void listAverages() {
        QFETCH(QList<int>, seconds);
        nd::stored::LevelList list;
        for (int s : seconds) {
            list.rows.push_back(nd::stored::makeRow(
                QString::number(list.rows.size() + 1), "2026/12/05",
                QStringLiteral("12:00:%1.0").arg(s, 2, 10, QLatin1Char('0')), "80.0"));
        }
        const auto averages = averageList(list, 10);
        QStringList means;
        QList<int> samples, ends;
        for (const IntervalAverage& a : averages.intervals) {
            means << a.meanText();
            samples << a.samples;
            ends << int((a.end - *averages.start) / 10);
        }
        QCOMPARE(means, QFETCH_TYPE(QStringList, means));
        QCOMPARE(samples, QFETCH_TYPE(QList<int>, samples));
        QCOMPARE(ends, QFETCH_TYPE(QList<int>, ends));
        // A step back is said, with the row after it.
        const bool back = seconds.size() > 10 && seconds[10] < seconds[9];
        QCOMPARE(averages.clockSteps.size(), std::size_t{back ? 1u : 0u});
        if (back)
            QCOMPARE(averages.clockSteps[0].row, QStringLiteral("11"));
    }

    void intervalAnswer_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text"); // empty: "Invalid, try again!"
        QTest::newRow("1:2:3") << "1:2:3" << 3723 << "01:02:03";
        QTest::newRow("blanks around fields") << " 0 : 0 : 10 " << 10 << "00:00:10";
        QTest::newRow("one colon: hours and seconds") << "10:20" << 36020 << "10:00:20";
        QTest::newRow("longest") << "23:59:59" << 86399 << "23:59:59";
        // Minutes 90 and hours 48 are refused, not wrapped.
        for (const char* refused : {"0:90:0", "48:0:0", "25:70:75", "0:0:0", "-1:0:0", "a:b:c",
                                    "10", "1:2:3:4", "1::3", "1:2:345", "0:0:1.5"})
            QTest::newRow(refused) << refused << 0 << QString();
    }
    void intervalAnswer() {
        const auto interval = parseIntervalAnswer(QFETCH_TYPE(QString, answer));
        QCOMPARE(interval ? interval->text : QString(), QFETCH_TYPE(QString, text));
        QCOMPARE(interval ? interval->seconds : 0, QFETCH_TYPE(int, seconds));
    }

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

    void fileRefused_data() {
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
    void fileRefused() {
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

QTEST_GUILESS_MAIN(IntervalAveragesTest)
#include "test_interval_averages.moc"
