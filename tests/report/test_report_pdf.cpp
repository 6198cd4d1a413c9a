// The reports as PDF, read back with poppler's tools: the figures, the verdict lines, the
// calibration rule, the footer, the paper size and the embedded fonts.

#include "report/Assessment.h"
#include "report/Reports.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using namespace nd::report;

namespace {

stored::LevelList steady(double hours, double level, QDate day = {2026, 3, 2}, bool swing = false) {
    stored::LevelList list;
    const stored::StampTenths start = stored::makeStamp(day, 7 * 36000);
    for (int i = 0; i < static_cast<int>(hours * 360); ++i) {
        const stored::StampTenths t = start + static_cast<stored::StampTenths>(i) * 100;
        // A slow swing, when asked, of +-3 dB so the charts have something to show.
        const double dB = swing ? level + 3.0 * std::sin(i / 200.0) + (i % 7) * 0.3 - 0.9 : level;
        list.rows.push_back(stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                                            stored::stampTimeText(t), QString::number(dB, 'f', 1)));
    }
    return list;
}

Measurement measured(stored::LevelList list, const QString& worker, const QString& task) {
    Measurement m;
    m.list = std::move(list);
    m.worker = worker;
    m.task = task;
    m.location = "Hall 2";
    m.source = worker.toLower() + ".dat";
    m.contentHash = QString(64, 'a');
    return m;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class ReportPdfTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    /// Saves the PDF (also to $NOISEDESK_REPORT_KEEP, to look at) and gives its text.
    QString text(const QByteArray& pdf, const QString& name) {
        const QString keep = qEnvironmentVariable("NOISEDESK_REPORT_KEEP");
        for (const QString& folder : {m_dir.path(), keep}) {
            if (folder.isEmpty())
                continue;
            QFile file(folder + "/" + name);
            if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
                return {};
        }
        return run("pdftotext", {"-layout", m_dir.filePath(name), "-"});
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
    }

    void measurementReport_data() {
        QTest::addColumn<QString>("regulation");
        QTest::addColumn<double>("hours");
        QTest::addColumn<double>("calibrationAfter");
        QTest::addColumn<QStringList>("lines"); // each must appear on a line of the text
        QTest::newRow("eu, 8 h at 86 dB, calibration fine")
            << "eu" << 8.0 << 94.2
            << QStringList{"lower exposure action value LEX,8h 80 dB(A) LEX,8h 86.0 dB(A) reached",
                           "exposure limit value LEX,8h 87 dB(A) LEX,8h 86.0 dB(A) not reached",
                           "Result: upper exposure action value reached.",
                           "Drift 0.2 dB: within 0.5 dB.",
                           "Page 1 of 2",
                           "Measured by"};
        QTest::newRow("osha, 4 h at 92 dB, calibration drifted")
            << "osha" << 4.0 << 94.7
            << QStringList{"action level TWA 85 dBA (50 %",
                           "permissible exposure limit TWA 90 dBA (100 %",
                           "Drift 0.7 dB, over 0.5 dB: the measurement is unfit",
                           "The data cannot support a verdict as they stand:",
                           "Only 4 h 00 min 00 s of an 8 h shift was recorded"};
    }
    void measurementReport() {
        QFETCH(QString, regulation);
        QFETCH(double, hours);
        QFETCH(double, calibrationAfter);
        QFETCH(QStringList, lines);
        Measurement m =
            measured(steady(hours, hours > 5 ? 86.0 : 92.0, {2026, 3, 2}, regulation == "osha"),
                     "Ann", "Sawing");
        m.calibrationBefore = 94.0;
        m.calibrationAfter = calibrationAfter;
        ReportOptions o;
        o.regulation = *parseRegulation(regulation);
        o.standard = *stored::presetByKey(defaultStandardKey(o.regulation));
        const QString name = "report-" + regulation + ".pdf";
        const QString t = text(measurementReportPdf(m, o), name);
        QString flat = t;
        flat.replace(QRegularExpression("\\s+"), " ");
        for (const QString& line : lines)
            QVERIFY2(flat.contains(line), qPrintable(line + "\n---\n" + t));
        QVERIFY(t.contains("Source: ann.dat SHA-256 " + QString(64, 'a')) ||
                flat.contains("Source: ann.dat SHA-256 " + QString(64, 'a')));
        QVERIFY(flat.contains(programVersion()));
        const QString fonts = run("pdffonts", {m_dir.filePath(name)});
        // Every font embedded: the "emb" column says yes on each font's line.
        const QStringList fontLines = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY2(!fontLines.isEmpty(), qPrintable(fonts));
        for (const QString& line : fontLines)
            QVERIFY2(line.split(' ', Qt::SkipEmptyParts).value(4) == "yes", qPrintable(fonts));
    }

    void letterPaper() {
        ReportOptions o;
        o.standard = *stored::presetByKey("iso");
        o.paper = QPageSize::Letter;
        text(measurementReportPdf(measured(steady(1.0, 80.0), "Bob", "Lathe"), o), "letter.pdf");
        QVERIFY(run("pdfinfo", {m_dir.filePath("letter.pdf")}).contains("612 x 792 pts"));
    }

    void summaryReport() {
        std::vector<Measurement> ms;
        for (int day = 2; day <= 6; ++day)
            ms.push_back(measured(steady(8.0, 85.0, {2026, 3, day}), "Ann", "Sawing"));
        ms.push_back(measured(steady(8.0, 78.0, {2026, 3, 3}), "Bob", "Office"));
        ReportOptions o;
        o.standard = *stored::presetByKey("iso");
        QString t = text(summaryReportPdf(ms, o), "summary.pdf");
        t.replace(QRegularExpression("[ \t]+"), " ");
        QVERIFY2(t.contains("2026-03-04 Ann Sawing 85.0 85.0 100.0 85.0 upper exposure action"),
                 qPrintable(t));
        QVERIFY2(t.contains("Ann 5 85.0 dB(A)"), qPrintable(t));
        QVERIFY2(t.contains("Bob 1 71.0 dB(A)"), qPrintable(t));
    }

    void assessmentReport() {
        PlanAssessment a;
        a.plan.worker = "Ann";
        a.plan.tasks = {{"Packing", 1.5, 0.0, {{"p.dat", {}, {}}}},
                        {"Sawing", 5.0, 1.0, {}},
                        {"Grinding", 1.5, 0.5, {}}};
        a.result = assessTasks({{"Packing", 1.5, 0.0, {70.0}},
                                {"Sawing", 5.0, 1.0, {80.1, 82.2, 79.6}},
                                {"Grinding", 1.5, 0.5, {86.5, 92.4, 89.3, 93.2, 87.8, 86.2}}},
                               InstrumentClass::Class2, 8.0);
        a.uses = {{{"p.dat", "p.dat", "ab", 70.0, {}}}, {}, {}};
        ReportOptions o;
        QString t = text(assessmentReportPdf(a, o), "assessment.pdf");
        t.replace(QRegularExpression("[ \t]+"), " ");
        QVERIFY2(t.contains("LEX,8h = 84.3 dB(A) ± 3.2 dB"), qPrintable(t));
        QVERIFY2(t.contains("without the uncertainty of the durations U = 2.7 dB"), qPrintable(t));
        QVERIFY2(t.contains("Grinding 1.5 0.5 6 90.1"), qPrintable(t));
        QVERIFY2(t.contains("LEX,8h + U 87.5"), qPrintable(t));
        QVERIFY2(t.contains("exposure limit value LEX,8h 87 dB(A) not reached reached"),
                 qPrintable(t));
    }
};

QTEST_MAIN(ReportPdfTest)
#include "test_report_pdf.moc"
