// noisedesk-cli: the arguments and the built program's front, the meter verbs on a
// scripted port or the virtual meter (banks: the same reads and texts as the Event window),
// and stats and histogram on .dat files.

#include "../realtime/Fetch.h"
#include "Child.h"
#include "FakePort.h"
#include "SimFixture.h"
#include "cli/BankVerbs.h"
#include "cli/CliArgs.h"
#include "cli/CliRunner.h"
#include "cli/ListVerbs.h"
#include "cli/SetupVerb.h"
#include "events/BankFile.h"
#include "link/Clock.h"
#include "link/MemoryMap.h"
#include "link/Meter.h"
#include "stored/DataFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace nd::cli;
namespace cli = nd::cli;
namespace stored = nd::stored;
using nd::test::FakePort;
using nd::test::frame;

namespace {

struct Streams {
    QString outText, errText;
    QTextStream out{&outText}, err{&errText};
    std::atomic<bool> interrupted{false};

    int run(const std::optional<Request>& request, RunContext& context) {
        const int code = request ? runRequest(*request, context) : -1;
        out.flush();
        err.flush();
        return code;
    }
};

/// The verbs on a scripted port.
struct Rig : Streams {
    nd::link::VirtualClock clock;
    FakePort port{clock, nd::test::answerLikeAMeter};
    nd::link::Meter meter{port, clock};
    RunContext context{meter, out, err, 5.0, interrupted};

    Rig() { port.open(); }
    int run(const QStringList& words, int count = 0, bool csv = false) {
        return Streams::run(parseCommand(words, count, csv).request, context);
    }
};

/// The verbs on the virtual meter.
struct SimRig : Streams {
    nd::test::SimFixture sim;
    std::shared_ptr<nd::sim::SimPort> port = sim.makePort();
    nd::link::Meter meter{*port, sim.clock()};
    RunContext context{meter, out, err, 5.0, interrupted};

    SimRig() { port->open(); }
    int banks(const QStringList& bank, const QString& file, bool json) {
        auto request = parseCommand({"banks"}, 0, false).request;
        if (request && applyBankOptions(*request, bank, file, json))
            request.reset();
        return Streams::run(request, context);
    }
};

/// A display frame ending in 0x04 instead of ETX.
const QByteArray kGarbled("\x02\x40\x10\x09\x45\xE1\x04", 7);

/// A meter with `sets` sets stored and the data ending at `end`, dumping `image`.
FakePort::Responder storing(int sets, int end, QByteArray image) {
    return [=](const QByteArray& w) {
        if (w.at(0) != 'R')
            return w == "U" ? image : QByteArray();
        // The set count is in cell 22; n sets end at the word at 512 + 2n, low byte first.
        const int at = uchar(w.at(1)) + 256 * uchar(w.at(2));
        return frame({at == 22               ? sets
                      : at == 512 + 2 * sets ? end % 256
                      : at == 513 + 2 * sets ? end / 256
                                             : 0});
    };
}

} // namespace

class CliTest : public QObject {
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

    void listVerbs_data() {
        // The verb, the file and the options: standard, criterion, exchange, resolution.
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("json");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("expected");
        const int ok = cli::kOk, usage = cli::kUsage;
        QTest::newRow("text figures")
            << "stats FILE osha-pel,,," << false << ok
            << "Samples:            1440\nDuration:           4 h 00 min 00 s\n";
        QTest::newRow("meter settings")
            << "stats FILE meter,85,3," << true << ok
            << "\"standard\":{\"criterion\":85,\"exchange\":3,\"key\":\"meter\",\"threshold\":"
               "null}";
        QTest::newRow("meter without settings")
            << "stats FILE meter,,," << false << usage << "--criterion";
        QTest::newRow("unknown standard")
            << "stats FILE dod,,," << false << usage << "--standard takes";
        QTest::newRow("histogram json")
            << "histogram FILE ,,," << true << ok
            << "{\"bins\":[{\"count\":1439,\"level\":95},{\"count\":1,\"level\":140}],"
               "\"not_counted\":0,\"resolution\":1}\n";
        QTest::newRow("bad resolution")
            << "histogram FILE ,,,2" << false << usage << "--resolution";
        QTest::newRow("missing file")
            << "stats /nonexistent.dat ,,," << false << int(cli::kFileFailed) << "/nonexistent.dat";
    }
    void listVerbs() {
        const QStringList call = QFETCH_TYPE(QString, call).split(' ');
        const QStringList o = call[2].split(',');
        cli::ListOptions options{o[0], o[1], o[2], {}, o[3], QFETCH_TYPE(bool, json), false, {}};
        const QString file = call[1] == QLatin1String("FILE") ? m_file : call[1];
        Streams s;
        QCOMPARE(cli::runListVerb({call[0], file}, options, s.out, s.err), QFETCH_TYPE(int, exit));
        s.out.flush();
        s.err.flush();
        QVERIFY2((s.outText + s.errText).contains(QFETCH_TYPE(QString, expected)),
                 qPrintable(s.outText + s.errText));
    }

    void arguments_badAreRefusedBeforeAnythingIsSent() {
        QVERIFY(parseCommand({"write", "65535", "255"}, 0, false).request); // the highest
        const QString bad = "read 65536|read 12a|write -1 3|write 12 256|write 12|key 0|"
                            "key 256|erase||dump|status now";
        for (const QString& line : bad.split('|')) {
            const QStringList words = line.split(' ', Qt::SkipEmptyParts);
            const ParseResult parsed = parseCommand(words, 0, false);
            QVERIFY2(!parsed.request && !parsed.error.isEmpty(), qPrintable(words.join(' ')));
        }
        QVERIFY(!parseCommand({"banks", "3"}, 0, false).request); // a bank is an option
        Request request;
        QVERIFY(!applyBankOptions(request, {"5"}, {}, false));
        QCOMPARE(request.bank, 5);
        for (const QStringList& refused : {QStringList{"0"}, {"6"}, {"E2"}, {""}, {"1", "2"}})
            QVERIFY(applyBankOptions(request, refused, {}, false));
    }

    void portOption_acceptsPathsAndComNames() {
        const QString pairs =
            "/dev/ttyUSB0>/dev/ttyUSB0|COM5>/dev/ttyUSB0|com  2>/dev/ttyS1|13>/dev/ttyACM0";
        for (const QString& pair : pairs.split('|'))
            QCOMPARE(deviceForPortOption(pair.section('>', 0, 0)), pair.section('>', 1));
        // The serial port would look for a bare or relative name in /dev.
        QCOMPARE(deviceForPortOption("../x/pty"), QDir::current().absoluteFilePath("../x/pty"));
    }

    /// The built program's front: help, refusals, checks made before the meter is read.
    /// "%f" stands for a plain file (so "%f/sub" can be no folder).
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // an error is one line, ending "try --help"
        const QString meterUsage =
            "Usage: noisedesk-cli (--port DEVICE | --simulate) [--timeout S] ";
        QTest::newRow("help of one command")
            << QStringList{"read", "--help"} << 0 << meterUsage + "read ADDR\n"
            << "";
        QTest::newRow("archive refused in one line")
            << QStringList{"archive", "frob"} << 1 << ""
            << "noisedesk-cli: archive takes import, list, show, tag, export or delete; try "
               "--help\n";
        QTest::newRow("unknown command") << QStringList{"frob"} << 1 << ""
                                         << "noisedesk-cli: unknown command \"frob\"; try --help\n";
        QTest::newRow("no such port") << QStringList{"--port", "%f/tty", "read", "59"} << 3 << ""
                                      << "%f/tty does not exist";
        QTest::newRow("download into no folder")
            << QStringList{"--simulate", "download", "%f/sub"} << 4 << ""
            << "could not write into";
        QTest::newRow("dump nowhere")
            << QStringList{"--simulate", "dump", "%f/image.bin"} << 4 << ""
            << "could not write %f/image.bin";
        QTest::newRow("banks --out nowhere")
            << QStringList{"--simulate", "--out", "%f/banks.bnk", "banks"} << 4 << ""
            << "could not write %f/banks.bnk";
        QTest::newRow("--raw nowhere")
            << QStringList{"--simulate", "download", "%d", "--raw", "%f/raw.bin"} << 4 << ""
            << "could not write %f/raw.bin";
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString file = dir.filePath("plain");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        for (QString& a : args)
            a.replace("%f", file).replace("%d", dir.filePath("sets"));
        err.replace("%f", file);
        const nd::test::ProgramResult r = nd::test::runProgram("noisedesk-cli", args, 30000);
        QTEST(r.exitCode, "exitCode");
        QVERIFY2(r.out.simplified().contains(out.simplified()), qPrintable(r.out));
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        if (r.exitCode != 0) {
            QCOMPARE(r.err.count('\n'), 1); // no usage text, no progress before the check
            QVERIFY(r.out.isEmpty());
        } else {
            QVERIFY(!r.out.contains("Commands:")); // the help of one command only
        }
    }

    void watch_printsOnlyReadingsActuallyDecoded() {
        Rig rig;
        int displayReads = 0;
        rig.port.setResponder([&displayReads](const QByteArray& w) {
            // The second display read is garbled: that cycle falls back to the status poll.
            if (w == " " && ++displayReads == 2)
                return kGarbled;
            return nd::test::answerLikeAMeter(w);
        });
        QCOMPARE(rig.run({"watch"}, 3, true), int(kOk));
        // Three lines, ISO 8601 dates as every CSV.
        const QRegularExpression lines(
            "^date,time,value,unit\n(\\d{4}-\\d\\d-\\d\\d,[^\n]*,94.5,dBA\n){3}$");
        QVERIFY2(lines.match(rig.outText).hasMatch(), qPrintable(rig.outText));
        QCOMPARE(displayReads, 4);
    }

    void watch_endsWhenTheMeterStopsGivingReadings() {
        Rig rig;
        // Answers the status poll for ever, but every display frame is garbled.
        rig.port.setResponder([](const QByteArray& w) {
            return w == " " ? kGarbled : nd::test::answerLikeAMeter(w);
        });
        QVERIFY_THROWS_EXCEPTION(nd::link::LinkTimeout, rig.run({"watch"}, 3, true));
        QCOMPARE(rig.outText.trimmed(), QString("date,time,value,unit"));
    }

    void dump_readsTheLengthThenSavesTheImageWithoutTheLeadByte() {
        Rig rig;
        rig.port.setResponder(storing(2, 1000, QByteArray(1, 'L') + QByteArray(1000, 'm')));
        QTemporaryDir dir;
        const QString file = dir.filePath("image.bin");
        QCOMPARE(rig.run({"dump", file}), int(kOk));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(1000, 'm'));
    }

    void setup_clockNowFollowsThePcClockAndACountryAloneLoadsAsTheTable() {
        for (const auto& [args, followsPc, fromTable] :
             {std::tuple{QStringList{"--clock", "now"}, true, false},
              {QStringList{"--clock", "2025-01-02 03:04"}, false, false},
              {QStringList{"--standard", "France"}, false, true}}) {
            QCommandLineParser parser;
            parser.addOptions(SetupOptions());
            QVERIFY(parser.parse(QStringList{"noisedesk-cli"} + args));
            const SetupParse parsed =
                ParseSetup(parser, {}, QDateTime(QDate(2024, 1, 1), QTime(4, 4)));
            QVERIFY2(parsed.request, qPrintable(parsed.error));
            QCOMPARE(bool(parsed.request->PcClock), followsPc);
            QCOMPARE(parsed.request->FromStandardsTable, fromTable);
        }
    }

    void aFailedRead_writesNoFile_andShowsEveryBank() {
        SimRig rig;
        auto faults = rig.sim.meter().faults();
        faults.deafCell = nd::link::memory::bankRecordStart(3) + 4;
        rig.sim.meter().setFaults(faults);
        QTemporaryDir dir;
        const QString file = dir.filePath("banks.bnk");
        QCOMPARE(rig.banks({}, file, false), int(kNoAnswer));
        QVERIFY(!QFile::exists(file));
        QVERIFY(rig.outText.startsWith("E1\n") && rig.outText.contains("\nE5\n"));
        QVERIFY(rig.errText.contains("bank E3 could not be read"));
    }

    void jsonTextAndFileHaveTheWindowsRows() {
        SimRig rig;
        QCOMPARE(rig.banks({}, {}, true), int(kOk));
        const QJsonArray list = QJsonDocument::fromJson(rig.outText.toUtf8()).array();
        QCOMPARE(list.size(), 5);
        QCOMPARE(list.at(0)["bank"].toInt(), 1);
        QVERIFY(list.at(0)["readable"].toBool());
        // Figures are numbers, texts are trimmed, empty cells are null.
        QCOMPARE(list.at(0)["rows"]["Dose Value(%)"], QJsonValue(123.4));
        QCOMPARE(list.at(2)["rows"]["Used or not"], QJsonValue("Unused"));
        QVERIFY(list.at(2)["rows"]["Dose Value(%)"].isNull());
        // The rows come in the window's order.
        qsizetype at = 0;
        for (const QString& heading : nd::events::RowHeadings()) {
            const qsizetype next = rig.outText.indexOf('"' + heading + '"', at);
            QVERIFY2(next > at, qPrintable(heading));
            at = next;
        }
        // The text blocks and the saved file agree.
        const qsizetype json = rig.outText.size();
        QTemporaryDir dir;
        const QString file = dir.filePath("e2.bnk");
        QCOMPARE(rig.banks({"2"}, file, false), int(kOk));
        const QString text = rig.outText.mid(json);
        QVERIFY(text.startsWith("E2\n  Used or not              Used\n"));
        QVERIFY(text.contains("\n  Dose Value(%)            2.33\n"));
        const nd::events::BankFileRead read = nd::events::OpenBankFile(file);
        QVERIFY(read.table);
        QCOMPARE(read.layout, nd::events::BankLayout::Toolbar);
        QCOMPARE(read.table->cell(12, 2), QString(" 2.33"));
        QCOMPARE(read.table->cell(12, 1), QString(" ")); // not read
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
