// noisedesk-cli report and assess on .dat files, archive numbers and plans: the PDFs read
// back with pdftotext, the JSON of the assessment, and the refusals with their exit codes.

#include "../report/ReportFiles.h"
#include "Child.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

class CliReportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_archive; ///< Ann's Monday as 1, Bob's Monday as 2, Ann's Tuesday as 3

    QString recording(const QString& name, const QString& level, int minutes, int day = 2) {
        const QString path = m_dir.filePath(name);
        return test::saveRecording(path, test::steadyRows(minutes * 6, level, day)) ? path : "";
    }

    test::ProgramResult cli(const QStringList& arguments) {
        return test::runProgram("noisedesk-cli", QStringList{"--archive", m_archive} + arguments);
    }

    QString plan(const QByteArray& json) {
        const QString path = m_dir.filePath("plan.json");
        return stored::saveBytes(path, json) ? QString() : path;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
        // The standard's worked example: three tasks, ten measurements.
        for (const QString file :
             {"pack=70.0", "saw1=80.1", "saw2=82.2", "saw3=79.6", "grind1=86.5", "grind2=92.4",
              "grind3=89.3", "grind4=93.2", "grind5=87.8", "grind6=86.2"})
            QVERIFY(
                !recording(file.section('=', 0, 0) + ".dat", file.section('=', 1), 20).isEmpty());
        m_archive = m_dir.filePath("archive.sqlite");
        for (const QStringList& arguments :
             {QStringList{"archive", "import", recording("ann-mon.dat", "88.0", 480),
                          recording("bob-mon.dat", "91.0", 240),
                          recording("ann-tue.dat", "84.0", 480, 3)},
              QStringList{"archive", "tag", "1", "--worker", "Ann Baker", "--task", "Sawing",
                          "--location", "Hall 2", "--cal-before", "94.0", "--cal-after", "94.2"},
              QStringList{"archive", "tag", "3", "--worker", "Ann Baker", "--task", "Sawing"}})
            QCOMPARE(cli(arguments).exitCode, 0);
    }

    // The archive's tags fill the report; what the command line gives wins.
    void reportOfAnArchivedMeasurement() {
        const QString pdf = m_dir.filePath("archived.pdf");
        QCOMPARE(cli({"report", "--id", "1", "--regulation", "eu", "--location", "Hall 3",
                      "--cal-after", "94.9", "--out", pdf})
                     .exitCode,
                 0);
        const QString t = test::pdfText(pdf);
        for (const char* expected :
             {"Worker Ann Baker", "Task Sawing", "Location Hall 3", "Before 94.0 dB",
              "Drift 0.9 dB", "Source: ann-mon.dat",
              "lower exposure action value LEX,8h 80 dB(A) LEX,8h 88.0 dB(A) reached",
              "exposure limit value LEX,8h 87 dB(A) LEX,8h 88.0 dB(A) reached",
              "Result: exposure limit value reached."})
            QVERIFY2(t.contains(expected), qPrintable(QString(expected) + "\n---\n" + t));
    }

    void summaryFromTheArchive() {
        const QString pdf = m_dir.filePath("archive-summary.pdf");
        QCOMPARE(cli({"report", "--summary", "--worker", "Ann Baker", "--since", "2026-03-01",
                      "--out", pdf})
                     .exitCode,
                 0);
        const QString t = test::pdfText(pdf);
        QVERIFY2(t.contains("2026-03-02 Ann Baker Sawing 88.0 88.0"), qPrintable(t));
        QVERIFY2(t.contains("2026-03-03 Ann Baker Sawing 84.0 84.0"), qPrintable(t));
        QVERIFY2(t.contains("Ann Baker 2 82.5 dB(A)"),
                 qPrintable(t)); // 10 lg((10^8.8 + 10^8.4) / 5)
        QVERIFY2(!t.contains("Bob"), qPrintable(t));
    }

    void assessmentOfAPlan() {
        const QString path = plan(R"({"instrument":"class2","day_hours":8,"worker":"Ann","tasks":[
            {"name":"Packing","hours":1.5,"measurements":["pack.dat"]},
            {"name":"Sawing","hours":5,"hours_uncertainty":1,
             "measurements":["saw1.dat","saw2.dat","saw3.dat"]},
            {"name":"Grinding","hours":1.5,"hours_uncertainty":0.5,
             "measurements":["grind1.dat","grind2.dat","grind3.dat","grind4.dat","grind5.dat",
                             "grind6.dat",{"file":"grind1.dat","cal_before":94.0,"cal_after":94.8}]}]})");
        const QString pdf = m_dir.filePath("assessment.pdf");
        const auto r = test::runProgram("noisedesk-cli", {"assess", path, "--json", "--out", pdf});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(QString::number(o["lex8h"].toDouble(), 'f', 1), "84.3");
        const QString warnings = o["warnings"].toVariant().toStringList().join('\n');
        QVERIFY2(warnings.contains("grind1.dat left out: calibration drifted 0.8 dB"),
                 qPrintable(warnings));
        const QString t = test::pdfText(pdf);
        for (const char* expected :
             {"LEX,8h = 84.3 dB(A) ± 3.2 dB", "without the uncertainty of the durations U = 2.7 dB",
              "Packing 1.5 0 1 70.0", "Grinding 1.5 0.5 6 90.1", "LEX,8h + U 87.5",
              "exposure limit value LEX,8h 87 dB(A) not reached reached"})
            QVERIFY2(t.contains(expected), qPrintable(QString(expected) + "\n---\n" + t));
    }

    void plansRefused_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("message");
        const QString saw = R"({"tasks":[{"name":"Saw",)";
        QTest::newRow("unknown measurement") << saw + R"("hours":2,"measurements":["nope.dat"]}]})"
                                             << "task \"Saw\": measurement nope.dat: no such file";
        QTest::newRow("unknown archive number")
            << saw + R"("hours":2,"measurements":["pack.dat",12]}]})"
            << "task \"Saw\": measurement 12: not in the archive";
        QTest::newRow("zero hours") << saw + R"("hours":0,"measurements":["pack.dat"]}]})"
                                    << "task \"Saw\": \"hours\" must be a number above 0";
        QTest::newRow("negative hours") << saw + R"("hours":-2,"measurements":["pack.dat"]}]})"
                                        << "task \"Saw\": \"hours\" must be a number above 0";
        QTest::newRow("no measurement") << saw + R"("hours":2,"measurements":[]}]})"
                                        << "task \"Saw\" has no measurement";
        QTest::newRow("instrument") << R"({"instrument":"class3","tasks":[]})"
                                    << "takes \"class1\" or \"class2\"";
        QTest::newRow("not json") << "{tasks"
                                  << "the plan is not JSON";
    }
    void plansRefused() {
        QFETCH(QString, json);
        QFETCH(QString, message);
        const auto r = cli({"assess", plan(json.toUtf8()), "--json"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    // A .dat file's report (its PDF read back in test_report_logic), and the refusals.
    void reportOfAFile_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message"); // on standard output for exit 0, else on errors
        QTest::newRow("written") << QStringList{"report",  "ANN",    "--regulation", "eu",
                                                "--paper", "letter", "--out",        "x.pdf"}
                                 << 0 << "Directive 2003/10/EC: exposure limit value reached";
        QTest::newRow("no --out") << QStringList{"report", "FILE"} << 1 << "needs --out";
        QTest::newRow("regulation")
            << QStringList{"report", "FILE", "--regulation", "uk", "--out", "x.pdf"} << 1
            << "--regulation takes eu or osha";
        QTest::newRow("paper") << QStringList{"report", "FILE", "--paper", "a3", "--out", "x.pdf"}
                               << 1 << "--paper takes a4 or letter";
        QTest::newRow("unknown archive id")
            << QStringList{"--archive", "ARCHIVE", "report", "--id", "99", "--out", "x.pdf"} << 1
            << "measurement 99: not in the archive";
        QTest::newRow("archive not one")
            << QStringList{"--archive", "FILE", "report", "--id", "1", "--out", "x.pdf"} << 4 << "";
    }
    void reportOfAFile() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, message);
        arguments.replaceInStrings("FILE", m_dir.filePath("pack.dat"));
        arguments.replaceInStrings("ANN", m_dir.filePath("ann-mon.dat"));
        arguments.replaceInStrings("x.pdf", m_dir.filePath("x.pdf"));
        arguments.replaceInStrings("ARCHIVE", m_archive);
        QFile::remove(m_dir.filePath("x.pdf"));
        const auto r = test::runProgram("noisedesk-cli", arguments);
        QCOMPARE(r.exitCode, exit);
        QVERIFY2((exit ? r.err : r.out).contains(message), qPrintable(r.out + r.err));
        QCOMPARE(QFile::exists(m_dir.filePath("x.pdf")), exit == 0);
    }
};

QTEST_GUILESS_MAIN(CliReportTest)
#include "test_cli_report.moc"
