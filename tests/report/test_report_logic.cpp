// The task-based assessment on the standard's worked example, the regulation verdicts,
// the calibration rule, the weekly exposure, plans written and read back, and the
// measurement report as PDF read back with poppler's tools.

#include "ReportFiles.h"
#include "archive/Archive.h"
#include "report/Reports.h"
#include "report/Summary.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using namespace nd::report;

namespace {

stored::LevelList steady(double hours, const QString& level, int day = 2) {
    return test::steadyRows(static_cast<int>(hours * 360), level, day);
}

Measurement measured(stored::LevelList list, const QString& worker, const QString& task) {
    Measurement m;
    m.list = std::move(list);
    m.worker = worker;
    m.task = task;
    return m;
}

QString oneDecimal(double v) {
    return QString::number(v, 'f', 1);
}

} // namespace

class ReportLogicTest : public QObject {
    Q_OBJECT

private slots:
    void annexDExample() {
        const std::vector<TaskInput> tasks = {
            {"A", 1.5, 0.0, {70.0}},
            {"B", 5.0, 1.0, {80.1, 82.2, 79.6}},
            {"C", 1.5, 0.5, {86.5, 92.4, 89.3, 93.2, 87.8, 86.2}},
        };
        const AssessmentResult r = assessTasks(tasks, InstrumentClass::Class2, 8.0);
        QCOMPARE(oneDecimal(r.tasks[0].laeq), "70.0");
        QCOMPARE(oneDecimal(r.tasks[1].laeq), "80.8");
        QCOMPARE(oneDecimal(r.tasks[2].laeq), "90.1");
        QCOMPARE(oneDecimal(r.lex8h), "84.3");
        QCOMPARE(oneDecimal(r.u), "2.0");
        QCOMPARE(oneDecimal(r.U), "3.2");
        QCOMPARE(oneDecimal(r.UWithoutHours), "2.7");
        // One measurement of task A: the only warning; C took six, as a spread asks.
        QCOMPARE(r.warnings, QStringList{"Task \"A\" has 1 measurement; take at least three (its "
                                         "sampling uncertainty is taken as 0)."});
    }

    void assessmentWarnings() {
        const auto warnings = [](double hoursC, std::vector<double> c) {
            return assessTasks({{"B", 5.0, 1.0, {80.1, 82.2, 79.6}},
                                {"A", 1.5, 0.0, {70.0, 70.0, 70.0}},
                                {"C", hoursC, 0.5, std::move(c)}},
                               InstrumentClass::Class1, 8.0)
                .warnings;
        };
        const QStringList spread = warnings(1.5, {86.5, 92.4, 89.3});
        QVERIFY2(spread.size() == 1 && spread[0].contains("spread by 5.9 dB"),
                 qPrintable(spread.join('\n')));
        const QStringList shortDay = warnings(1.0, {86.5, 92.4, 89.3, 93.2, 87.8, 86.2});
        QVERIFY2(shortDay.size() == 1 &&
                     shortDay[0].contains("add up to 7.5 h, not to the working day"),
                 qPrintable(shortDay.join('\n')));
    }

    void planRoundTrips() {
        const PlanRead read = parsePlan(R"({"instrument":"class1","day_hours":8,"tasks":[
            {"name":"Saw","hours":2,"hours_uncertainty":0.5,
             "measurements":["a.dat",{"file":"b.dat","cal_before":94.0,"cal_after":94.7}]},
            {"name":"Office","hours":6,"measurements":[17,{"id":18,"cal_before":94.0}]}]})");
        QVERIFY2(read.plan, qPrintable(read.error));
        const PlanRead again = parsePlan(planJson(*read.plan));
        QCOMPARE(again.plan->tasks[0].measurements[1].calibrationAfter, 94.7);
        QCOMPARE(again.plan->tasks[1].measurements[0].reference, "17");
        QCOMPARE(again.plan->tasks[1].measurements[1].reference, "18");
    }

    // An archived measurement stands in a plan for the .dat file it came from (an unknown
    // number, and the other refused plans: test_cli_report).
    void archiveMeasurementsInPlans() {
        QTemporaryDir dir;
        QVERIFY(test::saveRecording(dir.filePath("a.dat"), steady(2, "88.0")));
        QVERIFY(test::saveRecording(dir.filePath("b.dat"), steady(2, "82.0")));
        archive::Archive store;
        QVERIFY2(store.open(dir.filePath("archive.sqlite")), qPrintable(store.error()));
        const qint64 id =
            store.add(archive::readMeasurementFile(dir.filePath("b.dat")).content.value()).id;
        const auto lex = [&](const QString& second) {
            const QByteArray json = QString(R"({"tasks":[{"name":"Saw","hours":4,)"
                                            R"("measurements":["a.dat",%1]}]})")
                                        .arg(second)
                                        .toUtf8();
            const PlanAssessmentRun run = runPlan(*parsePlan(json).plan, dir.path(), &store);
            return run.assessment ? oneDecimal(run.assessment->result.lex8h) : run.error;
        };
        QCOMPARE(lex(QString::number(id)), "83.0"); // 10 lg((10^8.8 + 10^8.2) / 2) - 3
        QCOMPARE(lex("\"b.dat\""), "83.0");
    }

    void verdicts_data() {
        QTest::addColumn<QString>("regulation");
        QTest::addColumn<double>("hours");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("reached"); // EU: lower, upper, limit; OSHA: action, PEL
        QTest::addColumn<QString>("limit");   // a note the data need, or empty
        QTest::newRow("eu 86 dB for 8 h") << "eu" << 8.0 << "86.0"
                                          << "yes yes no"
                                          << "";
        QTest::newRow("eu 80 dB: reached at the value") << "eu" << 8.0 << "80.0"
                                                        << "yes no no"
                                                        << "";
        QTest::newRow("osha 88 dBA for 8 h") << "osha" << 8.0 << "88.0"
                                             << "yes no"
                                             << "";
        QTest::newRow("osha 92 dBA, half the shift") << "osha" << 4.0 << "92.0"
                                                     << "yes no"
                                                     << "Only 4 h 00 min 00 s of an 8 h shift";
        QTest::newRow("eu over range") << "eu" << 8.0 << "OL"
                                       << "yes yes yes"
                                       << "samples over range";
    }
    void verdicts() {
        QFETCH(QString, regulation);
        QFETCH(double, hours);
        QFETCH(QString, level);
        QFETCH(QString, reached);
        QFETCH(QString, limit);
        const Verdict v = judge(steady(hours, level), *parseRegulation(regulation));
        QStringList got;
        for (const ThresholdLine& line : v.lines)
            got << (line.reached ? "yes" : "no");
        QCOMPARE(got.join(' '), reached);
        if (limit.isEmpty())
            QVERIFY2(v.limits.isEmpty(), qPrintable(v.limits.join('\n')));
        else
            QVERIFY2(v.limits.join('\n').contains(limit), qPrintable(v.limits.join('\n')));
    }

    void missingSamplesLeaveTheVerdictOpen() {
        stored::LevelList list = steady(8.0, "84.0");
        for (int i = 2871; i > 0; i -= 10) // 10 % lost
            list.rows.erase(list.rows.begin() + i);
        QCOMPARE(missingSamples(list), 288);
        QVERIFY(judge(list, Regulation::Eu).limits.join(' ').contains("288 samples"));
    }

    void calibrationDrift_data() {
        QTest::addColumn<double>("before");
        QTest::addColumn<double>("after");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.5 dB") << 94.0 << 93.5 << true << "Drift 0.5 dB: within 0.5 dB.";
        QTest::newRow("0.6 dB") << 94.0 << 94.6 << false << "over 0.5 dB: the measurement is unfit";
    }
    void calibrationDrift() {
        QFETCH(double, before);
        QFETCH(double, after);
        QFETCH(bool, fit);
        QFETCH(QString, text);
        const CalibrationCheck c = calibrationCheck(before, after);
        QCOMPARE(c.fit, fit);
        QVERIFY2(c.text.contains(text), qPrintable(c.text));
        QVERIFY(calibrationCheck(94.0, std::nullopt).text.contains("drift is not known"));
    }

    void weeklyExposureOverTheDaysPresent() {
        QCOMPARE(oneDecimal(weeklyExposure({85, 85, 85, 85, 85})), "85.0");
        QCOMPARE(oneDecimal(weeklyExposure({88})), "81.0");
        // Two half days of one worker add up to one day at 85 dB.
        const Summary s = summarize({measured(steady(8.0, "85.0", 3), "Bob", "Lathe"),
                                     measured(steady(4.0, "85.0"), "Ann", "Saw"),
                                     measured(steady(4.0, "85.0"), "Ann", "Drill")},
                                    Regulation::Eu, *stored::presetByKey("iso"));
        QCOMPARE(s.rows.front().worker, "Ann");
        QCOMPARE(s.weeks.size(), std::size_t(2));
        QCOMPARE(s.weeks[0].days, 1);
        QCOMPARE(oneDecimal(*s.weeks[0].lexWeekly), "78.0"); // 85 + 10 lg(1/5)
        QCOMPARE(oneDecimal(*s.weeks[1].lexWeekly), "78.0");
        QCOMPARE(s.rows.back().verdict.summary(), "upper exposure action value reached");
    }

    // The summary and the assessment reports, and the EU verdict, are read back in
    // test_cli_report.
    void measurementPdf() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
        Measurement m = measured(steady(4.0, "92.0"), "Ann", "Sawing");
        m.source = "ann.dat";
        m.contentHash = QString(64, 'a');
        m.calibrationBefore = 94.0;
        m.calibrationAfter = 94.7;
        ReportOptions o;
        o.regulation = Regulation::Osha;
        o.standard = *stored::presetByKey(defaultStandardKey(o.regulation));
        o.paper = QPageSize::Letter;
        QTemporaryDir dir;
        const QString pdf = dir.filePath("report.pdf");
        QVERIFY(!stored::saveBytes(pdf, measurementReportPdf(m, o)));
        const QString t = test::pdfText(pdf);
        for (const QString& line : QStringList{
                 "action level TWA 85 dBA (50 %", "permissible exposure limit TWA 90 dBA (100 %",
                 "Drift 0.7 dB, over 0.5 dB: the measurement is unfit",
                 "The data cannot support a verdict as they stand:",
                 "Only 4 h 00 min 00 s of an 8 h shift was recorded", "Page 1 of 2", "Measured by",
                 "Source: ann.dat SHA-256 " + QString(64, 'a'), programVersion()})
            QVERIFY2(t.contains(line), qPrintable(line + "\n---\n" + t));
        QVERIFY(test::toolOutput("pdfinfo", {pdf}).contains("612 x 792 pts"));
        // Every font embedded: the "emb" column says yes on each font's line.
        const QString fonts = test::toolOutput("pdffonts", {pdf});
        const QStringList fontLines = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY2(!fontLines.isEmpty(), qPrintable(fonts));
        for (const QString& line : fontLines)
            QVERIFY2(line.split(' ', Qt::SkipEmptyParts).value(4) == "yes", qPrintable(fonts));
    }
};

QTEST_MAIN(ReportLogicTest)
#include "test_report_logic.moc"
