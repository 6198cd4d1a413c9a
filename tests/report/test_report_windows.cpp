// The Assessment window on the standard's worked example: the result as the plan is
// opened and edited, the plan saved back, the report; the Report window's calibration.

#include "ReportFiles.h"
#include "ScriptedDialogs.h"
#include "report/Assessment.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"

#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

class ReportWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QDir(m_dir.path()).mkpath("data");
        // Names starting with a digit, which are no archive numbers.
        int n = 0;
        for (double level : {70.0, 80.1, 82.2, 79.6, 86.5, 92.4, 89.3, 93.2, 87.8, 86.2})
            QVERIFY(test::saveRecording(m_dir.filePath(QString("data/%1-m.dat").arg(n++)),
                                        test::steadyRows(60, QString::number(level, 'f', 1))));
        QVERIFY(!stored::saveBytes(m_dir.filePath("data/plan.json"), R"({"tasks":[
            {"name":"Packing","hours":1.5,"measurements":["0-m.dat"]},
            {"name":"Sawing","hours":5,"hours_uncertainty":1,"measurements":["1-m.dat","2-m.dat","3-m.dat"]},
            {"name":"Grinding","hours":1.5,"hours_uncertainty":0.5,
             "measurements":["4-m.dat","5-m.dat","6-m.dat","7-m.dat","8-m.dat","9-m.dat"]}]})"));
    }

    void assessmentFollowsEditsAndSavesThePlan() {
        test::ScriptedDialogs dialogs;
        report::ui::AssessmentWindow window(dialogs);
        window.show();
        QVERIFY(window.loadPlan(m_dir.filePath("data/plan.json")));
        QCOMPARE(window.resultText(), "LEX,8h = 84.3 dB(A) ± 3.2 dB");

        window.table()->item(2, 1)->setText("2"); // Grinding takes 2 h
        QVERIFY2(window.resultText().startsWith("LEX,8h = 85.2 dB(A) ± "),
                 qPrintable(window.resultText()));
        window.table()->item(2, 1)->setText("0");
        QCOMPARE(window.resultText(), "LEX,8h: -");
        window.table()->item(2, 1)->setText("1.5");

        // Saved elsewhere, the plan's files are named from there.
        const QString saved = m_dir.filePath("saved/plan.json");
        QDir(m_dir.path()).mkpath("saved");
        dialogs.answerSaveFile(saved);
        QVERIFY(window.savePlan());
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const report::PlanRead read = report::parsePlan(file.readAll());
        QVERIFY2(read.plan, qPrintable(read.error));
        QCOMPARE(read.plan->tasks[1].measurements[0].reference, "../data/1-m.dat");

        dialogs.answerSaveFile(m_dir.filePath("assessment.pdf"));
        QVERIFY(window.saveReport());
        QVERIFY(QFile::exists(m_dir.filePath("assessment.pdf")));
        QCOMPARE(dialogs.unscripted(), 0);
    }

    void reportWindowJudgesTheCalibration() {
        test::ScriptedDialogs dialogs;
        const QString dat = m_dir.filePath("data/5-m.dat");
        std::unique_ptr<report::ui::ReportWindow> window(report::ui::ReportWindow::forFile(
            stored::readDataFile(dat).content->list, dat, dialogs, nullptr));
        window->findChild<QLineEdit*>("Worker")->setText("Ann Baker");
        window->findChild<QLineEdit*>("CalBefore")->setText("94,0x");
        QVERIFY(!window->savePdf()); // refused before any file dialog
        QVERIFY(dialogs.messages().value(0).contains("is not a calibrator reading"));
        window->findChild<QLineEdit*>("CalBefore")->setText("94.0");
        window->findChild<QLineEdit*>("CalAfter")->setText("94.8");
        const QString pdf = m_dir.filePath("m5.pdf");
        dialogs.answerSaveFile(pdf);
        QVERIFY(window->savePdf());
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            return;
        const QString text = test::pdfText(pdf);
        for (const char* expected : {"Worker Ann Baker", "over 0.5 dB: the measurement is unfit",
                                     "Source: 5-m.dat SHA-256"})
            QVERIFY2(text.contains(expected), qPrintable(text));
    }
};

QTEST_MAIN(ReportWindowsTest)
#include "test_report_windows.moc"
