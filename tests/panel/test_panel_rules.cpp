// The main panel's rules that need no window: display text, maximum and minimum, cell
// numbers, the PC sample schedule and the fixed texts.
#include "link/MeterState.h"
#include "panel/CellInput.h"
#include "panel/MaxMin.h"
#include "panel/PanelTexts.h"
#include "panel/SampleSchedule.h"

#include <QTest>

using nd::panel::MaxMin;
using nd::panel::UpdateMaxMin;

namespace {

nd::link::MeterState dbaReading(int high, int low, bool overRange = false) {
    nd::link::MeterState s;
    nd::link::DecodeModeByte(s, 0x40); // dBA
    nd::link::DecodeFlagByte(s, overRange ? 0x40 : 0x00);
    nd::link::DecodeDisplayDigits(s, high, low);
    return s;
}

MaxMin fold(const QStringList& values) {
    MaxMin m;
    for (const QString& v : values)
        m = UpdateMaxMin(m, v);
    return m;
}

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

} // namespace

class PanelRules : public QObject {
    Q_OBJECT

private slots:
    void valueText_followsTheMetersDisplayInDba_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<bool>("overRange");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits 0945") << 0x09 << 0x45 << false << "94.5";
        QTest::newRow("digits 0000 are beyond the top") << 0x00 << 0x00 << false << "142.0";
        QTest::newRow("over range") << 0x12 << 0x34 << true << "OL";
        QTest::newRow("blank display") << 0xBB << 0xBB << false << "----";
        QTest::newRow("blank wins over over range") << 0xBB << 0xBB << true << "----";
    }
    void valueText_followsTheMetersDisplayInDba() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(bool, overRange);
        QFETCH(QString, shown);
        QCOMPARE(nd::link::DisplayValueText(dbaReading(high, low, overRange)), shown);
    }

    void maxMin_firstReadingSetsBoth() {
        QCOMPARE(fold({"94.5"}), (MaxMin{"94.5", "94.5"}));
        QCOMPARE(fold({"OL"}), (MaxMin{"OL", "OL"}));
    }

    void maxMin_comparesLevelsAsNumbers() {
        // As text "100.5" sorts below "99.0"; as levels it is above.
        QCOMPARE(fold({"99.0", "100.5", "98.2"}), (MaxMin{"100.5", "98.2"}));
        QCOMPARE(fold({"99.0", "99.0"}), (MaxMin{"99.0", "99.0"}));
    }

    void maxMin_overloadSticksInTheMaximumUntilReset() {
        const MaxMin m = fold({"90.0", "OL", "141.0", "95.0"});
        QCOMPARE(m.LblMax, QString("OL"));
        QCOMPARE(m.LblMin, QString("90.0"));
    }

    void maxMin_blankSticksInTheMinimumUntilReset() {
        const MaxMin m = fold({"90.0", "----", "72.0", "95.0"});
        QCOMPARE(m.LblMin, QString("----"));
        QCOMPARE(m.LblMax, QString("95.0"));
    }

    void maxMin_markersFromTheFirstReadingGiveWayToLevels() {
        // A blank first reading sits in the maximum and an overload in the minimum only
        // until a real level comes.
        QCOMPARE(fold({"----", "80.0"}).LblMax, QString("80.0"));
        QCOMPARE(fold({"----", "80.0"}).LblMin, QString("----"));
        QCOMPARE(fold({"OL", "80.0"}).LblMin, QString("80.0"));
        QCOMPARE(fold({"OL", "80.0"}).LblMax, QString("OL"));
    }

    void cellNumber_emptyReadsZeroAndLimitsHold() {
        using nd::panel::CellNumber;
        QCOMPARE(CellNumber("", 65535), std::optional<int>(0));
        QCOMPARE(CellNumber("65535", 65535), std::optional<int>(65535));
        QCOMPARE(CellNumber("65536", 65535), std::nullopt);
        QCOMPARE(CellNumber("255", 255), std::optional<int>(255));
        QCOMPARE(CellNumber("256", 255), std::nullopt);
        QCOMPARE(CellNumber("99999999999999999999999", 65535), std::nullopt);
        QCOMPARE(CellNumber("007", 255), std::optional<int>(7));
    }

    void schedule_firstTickSamplesAtOnce() {
        nd::panel::SampleSchedule schedule;
        QCOMPARE(schedule.TickCount(), 0);
        QCOMPARE(schedule.secondsUntilDue(5.0), 0.0);
        const auto stamp = schedule.tick(5.0, at("2024-05-06 10:11:12.345"));
        QVERIFY(stamp);
        QCOMPARE(stamp->DateStamp, QString("2024/05/06"));
        QCOMPARE(stamp->TimeStamp, QString("10:11:12.3"));
        QCOMPARE(stamp->LblTime, QString("10:11:12"));
        QCOMPARE(schedule.TickCount(), 1);
        QCOMPARE(schedule.NextSampleTime(), 7.0);
    }

    void schedule_waitsTheSampleInterval() {
        nd::panel::SampleSchedule schedule;
        schedule.setSampleInterval(15);
        QVERIFY(schedule.tick(100.0, at("2024-05-06 10:00:00.000")));
        QCOMPARE(schedule.secondsUntilDue(100.5), 1.0);
        QVERIFY(!schedule.tick(101.4, at("2024-05-06 10:00:01.400")));
        QCOMPARE(schedule.TickCount(), 2);
        QVERIFY(schedule.tick(101.5, at("2024-05-06 10:00:01.500")));
        QCOMPARE(schedule.TickCount(), 1);
        QCOMPARE(schedule.NextSampleTime(), 103.0);
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

    void sampleLine_isTabSeparated() {
        const nd::panel::SampleStamp stamp{"2024/05/06", "10:11:12.3", "10:11:12"};
        QCOMPARE(nd::panel::SampleLine(stamp, "94.5"), QString("2024/05/06\t10:11:12.3\t94.5"));
    }

    void twaNote_endsLinesWithCarriageReturns() {
        const QString note = nd::panel::twaNote();
        QVERIFY(note.startsWith("The eight-hour time-weighted average sound level(TWA),\r in "));
        QVERIFY(note.contains(" the entire shift, the TWA is equal to the measured sound "
                              "level.\r\r\n\r\nNote:\r     The value of TWA"));
        QVERIFY(note.endsWith("and set your meter to slow response mode and open list menu.\r"));
        QCOMPARE(note.count('\r'), 12);
        QCOMPARE(note.count('\n'), 2);
    }

    void helpDocuments_liveInTheHelpFolder() {
        const QString folder = "/opt/noisedesk/bin";
        QStringList files;
        for (int i = 0; i < nd::panel::kHelpLanguages; ++i) {
            const QString path = nd::panel::helpDocumentPath(folder, i);
            QVERIFY2(path.startsWith(folder + "/help/") && path.endsWith("_V2.0.pdf"),
                     qPrintable(path));
            files << path;
        }
        files.removeDuplicates();
        QCOMPARE(files.size(), nd::panel::kHelpLanguages);
        QVERIFY(nd::panel::helpDocumentPath(folder, 0).contains("-EN_"));
        QVERIFY(nd::panel::helpDocumentPath(folder, 4).contains("-BPT_"));
        QCOMPARE(nd::panel::helpDocumentPath(folder, 6), folder);
        QCOMPARE(nd::panel::helpDocumentPath(folder, -1), folder);
    }
};

QTEST_GUILESS_MAIN(PanelRules)
#include "test_panel_rules.moc"
