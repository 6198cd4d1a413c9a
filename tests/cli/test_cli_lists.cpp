// noisedesk-cli stats and histogram on .dat files: the figures, the options, the refusals.

#include "cli/CliRunner.h"
#include "cli/ListVerbs.h"
#include "stored/DataFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace nd;

namespace {
template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}
} // namespace

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
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("options"); // standard, criterion, exchange, resolution
        QTest::addColumn<bool>("json");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("expected");
        const QString f = "FILE";
        QTest::newRow("text figures")
            << "stats" << f << QStringList{"osha-pel", "", "", ""} << false << int(cli::kOk)
            << "Samples:            1440\nDuration:           4 h 00 min 00 s\n";
        QTest::newRow("clamped said")
            << "stats" << f << QStringList{"", "", "", ""} << false << int(cli::kOk)
            << "1 overload sample (\"OL\") counted as 140.0 dB";
        QTest::newRow("json") << "stats" << f << QStringList{"niosh", "", "", ""} << true
                              << int(cli::kOk) << "\"samples\":1440";
        QTest::newRow("meter settings")
            << "stats" << f << QStringList{"meter", "85", "3", ""} << true << int(cli::kOk)
            << "\"standard\":{\"criterion\":85,\"exchange\":3,\"key\":\"meter\",\"threshold\":"
               "null}";
        QTest::newRow("meter without settings") << "stats" << f << QStringList{"meter", "", "", ""}
                                                << false << int(cli::kUsage) << "--criterion";
        QTest::newRow("unknown standard") << "stats" << f << QStringList{"dod", "", "", ""} << false
                                          << int(cli::kUsage) << "--standard takes";
        QTest::newRow("histogram 1 dB") << "histogram" << f << QStringList{"", "", "", ""} << false
                                        << int(cli::kOk) << "95\t1439\n140\t1\n";
        QTest::newRow("histogram 0.1 dB") << "histogram" << f << QStringList{"", "", "", "0.1"}
                                          << false << int(cli::kOk) << "95.0\t1439\n";
        QTest::newRow("histogram json")
            << "histogram" << f << QStringList{"", "", "", ""} << true << int(cli::kOk)
            << "{\"bins\":[{\"count\":1439,\"level\":95},{\"count\":1,\"level\":140}],"
               "\"not_counted\":0,\"resolution\":1}\n";
        QTest::newRow("bad resolution") << "histogram" << f << QStringList{"", "", "", "2"} << false
                                        << int(cli::kUsage) << "--resolution";
        QTest::newRow("missing file") << "stats"
                                      << "/nonexistent.dat" << QStringList{"", "", "", ""} << false
                                      << int(cli::kFileFailed) << "/nonexistent.dat";
    }
    void verbs() {
        const QStringList o = fetch<QStringList>("options");
        cli::ListOptions options{o[0], o[1], o[2], {}, o[3], fetch<bool>("json"), false, {}};
        QString file = fetch<QString>("file");
        if (file == QLatin1String("FILE"))
            file = m_file;
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        const int exit = cli::runListVerb({fetch<QString>("verb"), file}, options, out, err);
        out.flush();
        err.flush();
        QCOMPARE(exit, fetch<int>("exit"));
        QVERIFY2((outText + errText).contains(fetch<QString>("expected")),
                 qPrintable(outText + errText));
    }
};

QTEST_GUILESS_MAIN(CliListsTest)
#include "test_cli_lists.moc"
