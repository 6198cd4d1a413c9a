// The main panel's rules that need no window: maximum and minimum, cell
// numbers, the PC sample schedule and the help document paths.
#include "panel/CellInput.h"
#include "panel/MaxMin.h"
#include "panel/PanelTexts.h"
#include "panel/SampleSchedule.h"

#include <QTest>

using nd::panel::MaxMin;
using nd::panel::UpdateMaxMin;

namespace {

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

} // namespace

class PanelRules : public QObject {
    Q_OBJECT

private slots:
    void maxMin_foldsTheReadings_data() {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("min");
        auto row = [](const char* name, const QStringList& readings, const char* max,
                      const char* min) {
            QTest::newRow(name) << readings << QString(max) << QString(min);
        };
        row("first reading sets both", {"94.5"}, "94.5", "94.5");
        row("a first overload sets both", {"OL"}, "OL", "OL");
        // As text "100.5" sorts below "99.0"; as levels it is above.
        row("levels compare as numbers", {"99.0", "100.5", "98.2"}, "100.5", "98.2");
        row("overload sticks in the maximum", {"90.0", "OL", "141.0", "95.0"}, "OL", "90.0");
        row("blank sticks in the minimum", {"90.0", "----", "72.0", "95.0"}, "95.0", "----");
        // A first blank sits in the maximum, and a first overload in the minimum, only until
        // a real level comes.
        row("first blank gives way in the maximum", {"----", "80.0"}, "80.0", "----");
        row("first overload gives way in the minimum", {"OL", "80.0"}, "OL", "80.0");
    }
    void maxMin_foldsTheReadings() {
        QFETCH(QStringList, readings);
        MaxMin m;
        for (const QString& reading : readings)
            m = UpdateMaxMin(m, reading);
        QTEST(m.LblMax, "max");
        QTEST(m.LblMin, "min");
    }

    void cellNumber_emptyReadsZeroAndLimitsHold() {
        using nd::panel::CellNumber;
        QCOMPARE(CellNumber("", 65535), std::optional<int>(0));
        QCOMPARE(CellNumber("65535", 65535), std::optional<int>(65535));
        QCOMPARE(CellNumber("256", 255), std::nullopt);
        QCOMPARE(CellNumber("99999999999999999999999", 65535), std::nullopt);
        QCOMPARE(CellNumber("007", 255), std::optional<int>(7));
    }

    // Whatever the monotonic clock reads, even below zero.
    void schedule_firstTickSamplesAtOnce() {
        nd::panel::SampleSchedule schedule;
        QCOMPARE(schedule.secondsUntilDue(-5.0), 0.0);
        const auto stamp = schedule.tick(-5.0, at("2024-05-06 10:11:12.345"));
        QVERIFY(stamp);
        QCOMPARE(stamp->DateStamp + stamp->TimeStamp, QString("2024/05/0610:11:12.3"));
        QCOMPARE(stamp->LblTime, QString("10:11:12"));
        QCOMPARE(schedule.NextSampleTime(), -3.0);
    }

    // At 1.5 s a tick before the due time samples nothing; a late one books the next from
    // the due time (no drift), skipping the slots missed while busy.
    void schedule_waitsTheIntervalAndBooksFromTheDueTime_data() {
        QTest::addColumn<double>("tickAt");
        QTest::addColumn<bool>("due");
        QTest::addColumn<double>("next");
        QTest::newRow("early") << 101.4 << false << 101.5;
        QTest::newRow("on time") << 101.5 << true << 103.0;
        QTest::newRow("late, no drift") << 101.7 << true << 103.0;
        QTest::newRow("slots missed") << 105.0 << true << 106.0;
    }
    void schedule_waitsTheIntervalAndBooksFromTheDueTime() {
        QFETCH(double, tickAt);
        nd::panel::SampleSchedule schedule;
        schedule.setSampleInterval(15);
        QVERIFY(schedule.tick(100.0, at("2024-05-06 10:00:00.000")));
        QCOMPARE(schedule.secondsUntilDue(100.5), 1.0);
        QTEST(bool(schedule.tick(tickAt, at("2024-05-06 10:00:01.500"))), "due");
        QTEST(schedule.NextSampleTime(), "next");
    }

    void schedule_runsOnAcrossMidnight() {
        // The monotonic clock does not wrap; the stamps take the new day.
        nd::panel::SampleSchedule schedule;
        QVERIFY(schedule.tick(86398.0, at("2024-12-31 23:59:58.900")));
        QVERIFY(!schedule.tick(86399.5, at("2025-01-01 00:00:00.400")));
        const auto stamp = schedule.tick(86400.0, at("2025-01-01 00:00:00.900"));
        QVERIFY(stamp);
        QCOMPARE(stamp->DateStamp, QString("2025/01/01"));
        QCOMPARE(stamp->TimeStamp, QString("00:00:00.9"));
        QCOMPARE(schedule.NextSampleTime(), 86402.0);
    }

    void helpDocuments_oneFilePerLanguageInTheHelpFolder() {
        const QString folder = "/opt/noisedesk/bin";
        QStringList files;
        for (int i = 0; i < nd::panel::kHelpLanguages; ++i)
            files << nd::panel::helpDocumentPath(folder, i);
        for (const QString& path : files)
            QVERIFY2(path.startsWith(folder + "/help/") && path.endsWith(".pdf"), qPrintable(path));
        files.removeDuplicates();
        QCOMPARE(files.size(), nd::panel::kHelpLanguages);
        QCOMPARE(nd::panel::helpDocumentPath(folder, nd::panel::kHelpLanguages), folder);
        QCOMPARE(nd::panel::helpDocumentPath(folder, -1), folder);
    }
};

QTEST_GUILESS_MAIN(PanelRules)
#include "test_panel_rules.moc"
