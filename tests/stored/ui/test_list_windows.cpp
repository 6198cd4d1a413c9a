// The Saved File window on both file flavours with its exposure panel, the two histogram
// windows (first view, Reset, empty lists, printing), and the live list's rules: stale
// samples, the dBA and 86,400-row stops, StopStart numbering, saving while recording.

#include "ScriptedDialogs.h"
#include "stored/DataFile.h"
#include "stored/ui/FileList.h"
#include "stored/ui/Histogram.h"
#include "stored/ui/List.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;
using namespace nd::stored;
using nd::dialogs::Answer;
using nd::stored::ui::FileList;
using nd::stored::ui::Histogram;
using nd::stored::ui::List;

namespace {

template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

/// Levels 72.0 to 95.0 dB, one a minute.
LevelList rampList() {
    LevelList list;
    const StampTenths start = makeStamp(QDate(2009, 3, 16), 8 * 36000);
    for (int i = 0; i <= 23; ++i) {
        const StampTenths t = start + i * 600;
        list.rows.push_back(makeRow(QString::number(i + 1), stampDateText(t), stampTimeText(t),
                                    QStringLiteral("%1.0").arg(72 + i)));
    }
    list.notes = {"Site A", "north fence", "day shift"};
    return list;
}

QByteArray recordingBytes(const LevelList& list) {
    QByteArray bytes = recordingHeaderLine();
    for (const LevelRow& row : list.rows)
        bytes += recordingLine(row);
    return bytes;
}

Reading reading(LevelKind kind, const QString& text) {
    return {{}, 0.0, text, kind == LevelKind::Level ? parseLevel(text) : Level{kind, 0.0}};
}

} // namespace

class ListWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::ScriptedDialogs m_dialogs;

    FileList* openFile(const QByteArray& bytes) {
        const QString path = m_dir.filePath("levels.dat");
        if (saveBytes(path, bytes))
            return nullptr;
        m_dialogs.answerOpenFile(path);
        FileList* window = FileList::open(m_dialogs, nullptr);
        if (window)
            window->setAttribute(Qt::WA_DeleteOnClose, false);
        return window;
    }

    /// A live list the test owns (the program's lists delete themselves when closed).
    static void own(QWidget& window) { window.setAttribute(Qt::WA_DeleteOnClose, false); }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("noisedesk-test"));
        QSettings().clear();
    }
    void init() { m_dialogs.clear(); }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void savedFile_readsBothFlavours_data() {
        QTest::addColumn<bool>("grid");
        QTest::addColumn<QString>("note");
        QTest::newRow("grid flavour, with notes") << true << "north fence";
        QTest::newRow("recording flavour, no notes") << false << "";
    }
    void savedFile_readsBothFlavours() {
        const LevelList list = rampList();
        std::unique_ptr<FileList> window(
            openFile(fetch<bool>("grid") ? gridFileBytes(list) : recordingBytes(list)));
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("levels.dat"));
        QCOMPARE(window->model().rowCount(), 24);
        QCOMPARE(window->findChild<QLineEdit*>("T2")->text(), fetch<QString>("note"));
        QVERIFY(!window->exposurePanel().figure("LAeq").isEmpty());
        // Print puts the figures on the first page, above the rows.
        const QString lines = window->printLines().join('\n');
        const auto laeq = lines.indexOf(QRegularExpression("- +LAeq"));
        QVERIFY(laeq > 0 && laeq < lines.indexOf(QRegularExpression("- +Date +Time")));
        // CSV for a spreadsheet, the suffix added to a bare name.
        QTemporaryDir dir;
        m_dialogs.answerSaveFile(dir.filePath("levels"));
        QVERIFY(window->exportCsv());
        QFile csv(dir.filePath("levels.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().startsWith("No.s,Date,Time,dBA\r\n"));
    }

    void savedFile_unreadableFile_isExplained() {
        QVERIFY(!openFile("junk\r\n"));
        QCOMPARE(m_dialogs.messages().size(), 1);
        QVERIFY(m_dialogs.messages().front().contains("levels.dat could not be read."));
    }

    void exposureStandard_isRemembered() {
        {
            std::unique_ptr<FileList> window(openFile(gridFileBytes(rampList())));
            auto* combo = window->findChild<QComboBox*>("CboStandard");
            combo->setCurrentIndex(combo->findData("niosh"));
        }
        std::unique_ptr<FileList> again(openFile(gridFileBytes(rampList())));
        QCOMPARE(again->exposurePanel().standard()->key, QString("niosh"));
        QSettings().clear();
    }

    // The 0.1 dB button opens its histogram; Reset shows the filled bins (the counts and
    // the first view: test_exposure).
    void histogram_firstViewAndReset() {
        std::unique_ptr<FileList> window(openFile(gridFileBytes(rampList())));
        window->showResolutions();
        window->findChild<QPushButton*>("Cmd01dB")->click();
        QVERIFY(window->findChild<QWidget*>("PicResolution")->isHidden());
        QPointer<Histogram> h;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<Histogram*>(w); found && found->isVisible())
                h = found;
        }
        QVERIFY(h);
        QCOMPARE(h->objectName(), QString("Histogram"));
        QCOMPARE(h->xRange(), (BinRange{715.0, 955.0}));
        h->applyTrackMode(Histogram::ZoomX);
        h->applyTrackMode(Histogram::Reset);
        QCOMPARE(h->xRange(), (BinRange{720.0, 951.0}));
        QCOMPARE(h->trackMode(), Histogram::Normal);
        h->applyTrackMode(-1);
        QCOMPARE(m_dialogs.messages(), QStringList{"Select a valid TrackMode."});
        h->close();
    }

    void histogram_newCountReplacesTheOpenWindow() {
        QPointer<Histogram> first =
            Histogram::showCounts(countLevels(rampList(), Resolution::OneDb), m_dialogs);
        QPointer<Histogram> second =
            Histogram::showCounts(countLevels(rampList(), Resolution::TenthDb), m_dialogs);
        QTRY_VERIFY(!first);
        QVERIFY(second && second->isVisible());
        second->close();
    }

    void histogram_withoutBoundsShowsAMessage_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QStringList{} << "No levels to count.";
        QTest::newRow("only overloads") << QStringList{"OL", "150.0"} << "All 2 levels";
    }
    void histogram_withoutBoundsShowsAMessage() {
        LevelList list;
        for (const QString& v : fetch<QStringList>("values"))
            list.rows.push_back(makeRow("1", "2009/03/16", "00:00:00.0", v));
        Histogram h(countLevels(list, Resolution::TenthDb), m_dialogs);
        own(h);
        QVERIFY(h.message().startsWith(fetch<QString>("message")));
        QCOMPARE(h.xRange(), (BinRange{680, 1400}));
    }

    // ---------------------------------------------------------------- live list

    void liveList_steps_data() {
        QTest::addColumn<QString>("samples"); // L level, M missing (stale), N not dBA
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("collecting");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("open");
        QTest::newRow("fresh samples") << "LLL" << 3 << true << "" << true;
        QTest::newRow("stale sample adds no row")
            << "LMLM" << 2 << true << "2 samples missed" << true;
        QTest::newRow("leaving dBA stops, rows kept")
            << "LLNL" << 2 << false << "no longer shows dBA" << true;
        QTest::newRow("out of dBA with no rows (ReStart): closes")
            << "N" << 0 << false << "" << false;
    }
    void liveList_steps() {
        List list(m_dialogs);
        own(list);
        list.show();
        int second = 0;
        for (const QChar c : fetch<QString>("samples")) {
            const QString time = QStringLiteral("08:00:%1.0").arg(second++, 2, 10, QChar('0'));
            const LevelKind kind = c == 'L'   ? LevelKind::Level
                                   : c == 'M' ? LevelKind::Missing
                                              : LevelKind::NotLevel;
            list.addSample("2009/03/16", time, reading(kind, c == 'N' ? "12.5" : "85.7"));
        }
        QCOMPARE(list.model().rowCount(), fetch<int>("rows"));
        QCOMPARE(list.collecting(), fetch<bool>("collecting"));
        QVERIFY(list.statusText().contains(fetch<QString>("status")));
        QCOMPARE(list.isVisible(), fetch<bool>("open"));
        for (int r = 0; r < list.model().rowCount(); ++r)
            QCOMPARE(list.model().list().rows[std::size_t(r)].number, QString::number(r + 1));
        if (list.model().rowCount() > 0) { // closing would lose the rows: Cancel keeps them
            m_dialogs.answerMessage(Answer::Cancel);
            QVERIFY(!list.close());
            m_dialogs.answerMessage(Answer::Ok);
        }
        list.close();
    }

    void liveList_stopsAt86400Rows_andRestartsFromOne() {
        List list(m_dialogs);
        own(list);
        const Reading r = reading(LevelKind::Level, "85.7");
        for (int i = 0; i < List::kMaxRows - 1; ++i)
            QCOMPARE(list.addSample("2009/03/16", "08:00:00.0", r), List::Step::Added);
        QCOMPARE(list.addSample("2009/03/16", "08:00:00.0", r), List::Step::Full);
        QCOMPARE(list.addSample("2009/03/16", "08:00:00.0", r), List::Step::NotCollecting);
        QCOMPARE(list.model().rowCount(), List::kMaxRows);
        QVERIFY(list.statusText().contains("86400"));

        m_dialogs.answerMessage(Answer::Cancel); // the rows are not saved: keep them
        list.stopStart();
        QCOMPARE(list.model().rowCount(), List::kMaxRows);
        m_dialogs.answerMessage(Answer::Ok);
        list.stopStart();
        QVERIFY(list.collecting());
        list.addSample("2009/03/16", "09:00:00.0", r);
        QCOMPARE(list.model().list().rows.front().number, QString("1"));
        QCOMPARE(list.listCount(), 1);
        m_dialogs.answerMessage(Answer::Ok);
        list.close();
    }

    void liveList_saveWhileRecordingIsRefused_elseSaved() {
        List list(m_dialogs);
        own(list);
        list.addSample("2009/03/16", "08:00:00.0", reading(LevelKind::Level, "85.7"));
        bool recording = true;
        list.setRecordingCheck([&recording] { return recording; });
        m_dialogs.answerMessage(Answer::Ok);
        list.save();
        QCOMPARE(m_dialogs.shown().size(), 1);
        QVERIFY(m_dialogs.messages().front().contains("recording"));
        recording = false;
        const QString path = m_dir.filePath("live.dat");
        m_dialogs.answerSaveFile(path);
        list.save();
        QVERIFY(!list.hasUnsavedRows());
        const DataFileRead back = readDataFile(path);
        QVERIFY(back.ok());
        QCOMPARE(back.content->list.rows.front().value, QString("85.7"));
        QVERIFY(list.close()); // saved: nothing asked
        QCOMPARE(m_dialogs.unscripted(), 0);
    }
};

QTEST_MAIN(ListWindowsTest)
#include "test_list_windows.moc"
