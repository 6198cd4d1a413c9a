// Times the reports and prints the figures (never asserted):
//   1. the report of an 8-hour recording at 1 s (28,800 samples): reading the .dat file,
//      then laying out and writing the PDF;
//   2. the summary of 100 measurements of 8 hours at 10 s;
//   3. the task-based assessment of a plan with 10 measurements.
//   report_bench [folder to keep the PDFs in]

#include "report/Assessment.h"
#include "report/Measurement.h"
#include "report/Reports.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>

using namespace nd;

namespace {

QByteArray recording(int samples, int stepSeconds, double level, int day) {
    QByteArray bytes = stored::recordingHeaderLine();
    const auto start = stored::makeStamp(QDate(2026, 3, day), 7 * 36000);
    for (int i = 0; i < samples; ++i) {
        const auto t = start + static_cast<std::int64_t>(i) * stepSeconds * 10;
        const double dB = level + 4.0 * std::sin(i * stepSeconds / 1800.0) + (i * 37 % 50) / 10.0;
        bytes += stored::recordingLine(
            stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                            stored::stampTimeText(t), QString::number(dB, 'f', 1)));
    }
    return bytes;
}

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir temp;
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());

    // 1. One 8-hour recording at 1 s.
    const QString day = dir.filePath("day.dat");
    if (stored::saveBytes(day, recording(8 * 3600, 1, 84.0, 2)))
        return 1;
    QElapsedTimer timer;
    timer.start();
    report::MeasurementLoad load = report::loadDataFile(day);
    const double readMs = msSince(timer);
    if (!load.measurement)
        return 1;
    load.measurement->worker = QStringLiteral("Bench");
    report::ReportOptions options;
    options.standard = *stored::presetByKey(QStringLiteral("iso"));
    timer.restart();
    const QByteArray pdf = report::measurementReportPdf(*load.measurement, options);
    const double pdfMs = msSince(timer);
    if (stored::saveBytes(dir.filePath("day.pdf"), pdf))
        return 1;
    out << "report of an 8-hour recording at 1 s (28,800 samples): read " << readMs
        << " ms, report " << pdfMs << " ms, total " << readMs + pdfMs << " ms, " << pdf.size()
        << " bytes\n";

    // 2. A summary of 100 measurements.
    std::vector<report::Measurement> many;
    timer.restart();
    for (int i = 0; i < 100; ++i) {
        const QByteArray bytes = recording(8 * 360, 10, 78.0 + i % 10, 2 + i % 5);
        report::Measurement m;
        m.list = stored::readDataFile(bytes).content->list;
        m.worker = QStringLiteral("Worker %1").arg(i / 5 + 1);
        m.task = QStringLiteral("Task %1").arg(i % 3 + 1);
        many.push_back(std::move(m));
    }
    const double makeMs = msSince(timer);
    timer.restart();
    const QByteArray summary = report::summaryReportPdf(many, options);
    const double summaryMs = msSince(timer);
    if (stored::saveBytes(dir.filePath("summary.pdf"), summary))
        return 1;
    out << "summary of 100 measurements (8 h at 10 s each): " << summaryMs << " ms (" << makeMs
        << " ms to read them first), " << summary.size() << " bytes\n";

    // 3. The assessment of ten measurements.
    report::Plan plan;
    const double levels[] = {70.0, 80.1, 82.2, 79.6, 86.5, 92.4, 89.3, 93.2, 87.8, 86.2};
    const int firstOfTask[] = {0, 1, 4, 10};
    const double hours[] = {1.5, 5.0, 1.5};
    for (int t = 0; t < 3; ++t) {
        report::PlanTask task{QStringLiteral("Task %1").arg(t + 1), hours[t], 0.5, {}};
        for (int m = firstOfTask[t]; m < firstOfTask[t + 1]; ++m) {
            const QString name = QStringLiteral("m%1.dat").arg(m);
            if (stored::saveBytes(dir.filePath(name), recording(1800, 1, levels[m] - 2.0, 2)))
                return 1;
            task.measurements.push_back({name, std::nullopt, std::nullopt});
        }
        plan.tasks.push_back(task);
    }
    timer.restart();
    const report::PlanAssessmentRun run = report::runPlan(plan, dir.path());
    const double assessMs = msSince(timer);
    if (!run.assessment)
        return 1;
    timer.restart();
    const QByteArray assessment = report::assessmentReportPdf(*run.assessment, options);
    out << "assessment of 3 tasks, 10 measurements of 30 min at 1 s: " << assessMs
        << " ms, its report " << msSince(timer) << " ms\n";
    return 0;
}
