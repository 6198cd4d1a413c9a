// noisedesk-cli stats and histogram on .dat files: the figures, the options, the refusals.

#include "../realtime/Fetch.h"
#include "cli/CliRunner.h"
#include "cli/ListVerbs.h"
#include "stored/DataFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace nd;

class CliListsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void initTestCase() {
        // Four hours of 95 dB at 10 s, written as the recording writes it.
        QByteArray bytes = stored::recordingHeaderLine();
        const stored::StampTenths start = stored::makeStamp(QDate(2009, 3, 16), 8 * 36000);
        for (int i = 0; i < 1440; ++i) {
            const stored::StampTenths t = start + i * 100;
            bytes += stored::recordingLine(
                stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                                stored::stampTimeText(t), i == 0 ? "OL" : "95.0"));
        }
        m_file = m_dir.filePath("four-hours.dat");
        QVERIFY(!stored::saveBytes(m_file, bytes));
    }

    void verbs_data() {
        // The verb, the file and the options: standard, criterion, exchange, resolution.
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("json");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("expected");
        const int ok = cli::kOk, usage = cli::kUsage;
        QTest::newRow("text figures")
            << "stats FILE osha-pel,,," << false << ok
            << "Samples:            1440\nDuration:           4 h 00 min 00 s\n";
        QTest::newRow("clamped said")
            << "stats FILE ,,," << false << ok << "1 overload sample (\"OL\") counted as 140.0 dB";
        QTest::newRow("json") << "stats FILE niosh,,," << true << ok << "\"samples\":1440";
        QTest::newRow("meter settings")
            << "stats FILE meter,85,3," << true << ok
            << "\"standard\":{\"criterion\":85,\"exchange\":3,\"key\":\"meter\",\"threshold\":"
               "null}";
        QTest::newRow("meter without settings")
            << "stats FILE meter,,," << false << usage << "--criterion";
        QTest::newRow("unknown standard")
            << "stats FILE dod,,," << false << usage << "--standard takes";
        QTest::newRow("histogram 1 dB")
            << "histogram FILE ,,," << false << ok << "95\t1439\n140\t1\n";
        QTest::newRow("histogram 0.1 dB")
            << "histogram FILE ,,,0.1" << false << ok << "95.0\t1439\n";
        QTest::newRow("histogram json")
            << "histogram FILE ,,," << true << ok
            << "{\"bins\":[{\"count\":1439,\"level\":95},{\"count\":1,\"level\":140}],"
               "\"not_counted\":0,\"resolution\":1}\n";
        QTest::newRow("bad resolution")
            << "histogram FILE ,,,2" << false << usage << "--resolution";
        QTest::newRow("missing file")
            << "stats /nonexistent.dat ,,," << false << int(cli::kFileFailed) << "/nonexistent.dat";
    }
    void verbs() {
        const QStringList call = QFETCH_TYPE(QString, call).split(' ');
        const QStringList o = call[2].split(',');
        cli::ListOptions options{o[0], o[1], o[2], {}, o[3], QFETCH_TYPE(bool, json), false, {}};
        const QString file = call[1] == QLatin1String("FILE") ? m_file : call[1];
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        const int exit = cli::runListVerb({call[0], file}, options, out, err);
        out.flush();
        err.flush();
        QCOMPARE(exit, QFETCH_TYPE(int, exit));
        QVERIFY2((outText + errText).contains(QFETCH_TYPE(QString, expected)),
                 qPrintable(outText + errText));
    }
};

QTEST_GUILESS_MAIN(CliListsTest)
#include "test_cli_lists.moc"
