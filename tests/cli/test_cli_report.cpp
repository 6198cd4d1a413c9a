// noisedesk-cli report and assess on .dat files and plans: the PDFs read back with
// pdftotext, the JSON of the assessment, and the plans refused with the fault named.

#include "Child.h"
#include "stored/DataFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

class CliReportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_archive; ///< Ann's Monday as 1, Bob's Monday as 2, Ann's Tuesday as 3

    /// A recording of `minutes` at a steady level, at 10 s from 07:00 on `day`.
    QString recording(const QString& name, double level, int minutes, int day = 2) {
        QByteArray bytes = stored::recordingHeaderLine();
        const stored::StampTenths start = stored::makeStamp(QDate(2026, 3, day), 7 * 36000);
        for (int i = 0; i < minutes * 6; ++i) {
            const stored::StampTenths t = start + i * 100;
            bytes += stored::recordingLine(
                stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                                stored::stampTimeText(t), QString::number(level, 'f', 1)));
        }
        const QString path = m_dir.filePath(name);
        return stored::saveBytes(path, bytes) ? QString() : path;
    }

    QString plan(const QByteArray& json) {
        const QString path = m_dir.filePath("plan.json");
        return stored::saveBytes(path, json) ? QString() : path;
    }

    QString pdfText(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", pdf, "-"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput())
            .replace(QRegularExpression("\\s+"), " ");
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
        // The standard's worked example: three tasks, ten measurements.
        QVERIFY(!recording("pack.dat", 70.0, 30).isEmpty());
        int n = 0;
        for (double level : {80.1, 82.2, 79.6})
            QVERIFY(!recording(QString("saw%1.dat").arg(++n), level, 30).isEmpty());
        n = 0;
        for (double level : {86.5, 92.4, 89.3, 93.2, 87.8, 86.2})
            QVERIFY(!recording(QString("grind%1.dat").arg(++n), level, 20).isEmpty());
        QVERIFY(!recording("ann-mon.dat", 88.0, 480, 2).isEmpty());
        QVERIFY(!recording("ann-tue.dat", 84.0, 480, 3).isEmpty());
        QVERIFY(!recording("bob-mon.dat", 91.0, 240, 2).isEmpty());
        m_archive = m_dir.filePath("archive.sqlite");
        const auto cli = [this](const QStringList& args) {
            return test::runProgram("noisedesk-cli", QStringList{"--archive", m_archive} + args)
                .exitCode;
        };
        QCOMPARE(cli({"archive", "import", m_dir.filePath("ann-mon.dat"),
                      m_dir.filePath("bob-mon.dat"), m_dir.filePath("ann-tue.dat")}),
                 0);
        QCOMPARE(cli({"archive", "tag", "1", "--worker", "Ann Baker", "--task", "Sawing",
                      "--location", "Hall 2", "--cal-before", "94.0", "--cal-after", "94.2"}),
                 0);
        QCOMPARE(cli({"archive", "tag", "2", "--worker", "Bob Cole", "--task", "Grinding"}), 0);
        QCOMPARE(cli({"archive", "tag", "3", "--worker", "Ann Baker", "--task", "Sawing"}), 0);
    }

    void reportOfOneMeasurement() {
        const QString pdf = m_dir.filePath("ann.pdf");
        const auto r = test::runProgram(
            "noisedesk-cli",
            {"report", m_dir.filePath("ann-mon.dat"), "--regulation", "eu", "--worker", "Ann Baker",
             "--task", "Sawing", "--location", "Hall 2", "--paper", "letter", "--cal-before",
             "94.0", "--cal-after", "94.3", "--out", pdf});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("Directive 2003/10/EC: exposure limit value reached"),
                 qPrintable(r.out));
        const QString t = pdfText(pdf);
        for (const char* expected :
             {"Worker Ann Baker", "Task Sawing", "Location Hall 2", "LAeq 88.0 dB",
              "LEX,8h 88.0 dB", "exposure limit value LEX,8h 87 dB(A) LEX,8h 88.0 dB(A) reached",
              "Result: exposure limit value reached.", "Source: ann-mon.dat SHA-256",
              "Drift 0.3 dB", "Page 2 of 2"})
            QVERIFY2(t.contains(expected), qPrintable(QString(expected) + "\n---\n" + t));
    }

    // The archive's tags fill the report; what the command line gives wins.
    void reportOfAnArchivedMeasurement() {
        const QString pdf = m_dir.filePath("archived.pdf");
        const auto r = test::runProgram(
            "noisedesk-cli", {"--archive", m_archive, "report", "--id", "1", "--regulation", "eu",
                              "--location", "Hall 3", "--cal-after", "94.9", "--out", pdf});
        QCOMPARE(r.exitCode, 0);
        const QString t = pdfText(pdf);
        for (const char* expected :
             {"Worker Ann Baker", "Task Sawing", "Location Hall 3", "Before 94.0 dB",
              "Drift 0.9 dB", "unfit for an assessment",
              "exposure limit value LEX,8h 87 dB(A) LEX,8h 88.0 dB(A) reached",
              "upper exposure action value LEX,8h 85 dB(A) LEX,8h 88.0 dB(A) reached",
              "Source: ann-mon.dat"})
            QVERIFY2(t.contains(expected), qPrintable(QString(expected) + "\n---\n" + t));
    }

    void summaryFromTheArchive() {
        const QString pdf = m_dir.filePath("archive-summary.pdf");
        const auto r = test::runProgram("noisedesk-cli",
                                        {"--archive", m_archive, "report", "--summary", "--worker",
                                         "Ann Baker", "--since", "2026-03-01", "--out", pdf});
        QCOMPARE(r.exitCode, 0);
        const QString t = pdfText(pdf);
        QVERIFY2(t.contains("2026-03-02 Ann Baker Sawing 88.0 88.0"), qPrintable(t));
        QVERIFY2(t.contains("2026-03-03 Ann Baker Sawing 84.0 84.0"), qPrintable(t));
        QVERIFY2(t.contains("Ann Baker 2 82.5 dB(A)"), qPrintable(t));
        QVERIFY2(!t.contains("Bob"), qPrintable(t));
    }

    void summaryOfSeveral() {
        const QString pdf = m_dir.filePath("summary.pdf");
        const auto r = test::runProgram(
            "noisedesk-cli", {"report", "--summary", m_dir.filePath("ann-mon.dat"),
                              m_dir.filePath("ann-tue.dat"), "--worker", "Ann", "--out", pdf});
        QCOMPARE(r.exitCode, 0);
        const QString t = pdfText(pdf);
        QVERIFY2(t.contains("2026-03-03 Ann - 84.0 84.0"), qPrintable(t));
        // 10 lg((10^8.8 + 10^8.4) / 5) = 82.47
        QVERIFY2(t.contains("Ann 2 82.5 dB(A)"), qPrintable(t));
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
        QCOMPARE(QString::number(o["u"].toDouble(), 'f', 1), "2.0");
        QCOMPARE(QString::number(o["U"].toDouble(), 'f', 1), "3.2");
        const QJsonArray tasks = o["tasks"].toArray();
        QCOMPARE(tasks.size(), 3);
        QCOMPARE(QString::number(tasks[2].toObject()["laeq"].toDouble(), 'f', 1), "90.1");
        QCOMPARE(tasks[1].toObject()["measurements"].toArray().size(), 3);
        const QString warnings = o["warnings"].toVariant().toStringList().join('\n');
        QVERIFY2(warnings.contains("grind1.dat left out: calibration drifted 0.8 dB"),
                 qPrintable(warnings));
        QVERIFY2(warnings.contains("Task \"Packing\" has 1 measurement"), qPrintable(warnings));
        const QString t = pdfText(pdf);
        QVERIFY2(t.contains("LEX,8h = 84.3 dB(A) ± 3.2 dB"), qPrintable(t));
        QVERIFY2(t.contains("Packing 1.5 0 1 70.0"), qPrintable(t));
    }

    void plansRefused_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown measurement")
            << QByteArray(R"({"tasks":[{"name":"Saw","hours":2,"measurements":["nope.dat"]}]})")
            << "task \"Saw\": measurement nope.dat: no such file";
        QTest::newRow("unknown archive number")
            << QByteArray(R"({"tasks":[{"name":"Saw","hours":2,"measurements":["pack.dat",12]}]})")
            << "task \"Saw\": measurement 12: not in the archive";
        QTest::newRow("zero hours")
            << QByteArray(R"({"tasks":[{"name":"Saw","hours":0,"measurements":["pack.dat"]}]})")
            << "task \"Saw\": \"hours\" must be a number above 0";
        QTest::newRow("no measurement")
            << QByteArray(R"({"tasks":[{"name":"Saw","hours":2,"measurements":[]}]})")
            << "task \"Saw\" has no measurement";
    }
    void plansRefused() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const auto r = test::runProgram("noisedesk-cli",
                                        {"assess", plan(json), "--json", "--archive", m_archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void reportRefusals_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
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
    void reportRefusals() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, message);
        arguments.replaceInStrings("FILE", m_dir.filePath("pack.dat"));
        arguments.replaceInStrings("x.pdf", m_dir.filePath("x.pdf"));
        arguments.replaceInStrings("ARCHIVE", m_archive);
        const auto r = test::runProgram("noisedesk-cli", arguments);
        QCOMPARE(r.exitCode, exit);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_dir.filePath("x.pdf")));
    }
};

QTEST_GUILESS_MAIN(CliReportTest)
#include "test_cli_report.moc"
