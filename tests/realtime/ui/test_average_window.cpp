// The Average window on scripted readings and a scripted clock: rows, the run's end,
// pause, the automatic stop, link loss, the interval answers, save, open and the prompts.

#include "../Fetch.h"
#include "ScriptedDialogs.h"
#include "realtime/ui/Average.h"
#include "realtime/ui/StripGraph.h"
#include "stored/LevelListModel.h"
#include "stored/SaveFile.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace nd::realtime;
using nd::dialogs::Answer;
using nd::realtime::ui::Average;

namespace {

struct Rig {
    nd::test::ScriptedDialogs dialogs;
    double now = 0.0;
    QString value = QStringLiteral("80.0");
    bool dba = true;
    std::unique_ptr<Average> window;

    Rig() {
        window = std::make_unique<Average>(
            [this] {
                LiveSnapshot s;
                s.reading.text = value;
                s.reading.level = nd::stored::parseLevel(value);
                s.dbaMode = dba;
                s.criterion = "90";
                s.exchange = "3";
                return s;
            },
            dialogs, nullptr,
            ui::WindowClock{[this] { return now; },
                            [this] {
                                return QDateTime(QDate(2026, 12, 5), QTime(14, 50, 0))
                                    .addMSecs(std::llround(now * 1000));
                            }});
    }
    /// The readings, one a tick (a second apart).
    void feed(const QStringList& readings) {
        for (const QString& r : readings) {
            value = r;
            now += 1.0;
            window->tick();
        }
    }
    QStringList rows() const {
        QStringList out;
        for (const auto& row : window->snapshot().rows)
            out << row.value;
        return out;
    }
    QString text(const char* name) const {
        if (auto* label = window->findChild<QLabel*>(name))
            return label->text();
        return window->findChild<QLineEdit*>(name)->text();
    }
    QAction* action(const char* name) const { return window->findChild<QAction*>(name); }
};

QStringList times(int n, const QString& value) {
    return QStringList(n, value);
}

} // namespace

class AverageWindowTest : public QObject {
    Q_OBJECT

private slots:
    void runs_data() {
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("max");
        QTest::addColumn<bool>("peak");
        QTest::addColumn<QString>("laeq"); // of the last row
        QTest::newRow("all OL, logged as OL")
            << times(10, "OL") << QStringList{"OL"} << "OL" << true << "140.0";
        QTest::newRow("link lost mid-interval, then a whole interval")
            << times(5, "90.0") + times(15, "") << QStringList{"90.0", ""} << "90.0" << false << "";
        QTest::newRow("highest 105.3") << QStringList{"80.0", "105.3"} + times(8, "80.0")
                                       << QStringList{"82.5"} << "105.3" << false << "95.4";
    }
    void runs() {
        Rig rig;
        rig.window->start();
        QFETCH(QStringList, readings);
        rig.feed(readings);
        rig.window->stop();
        QTEST(rig.rows(), "rows");
        QTEST(rig.text("LblMax"), "max");
        QCOMPARE(rig.text("LblPeak"), QString(QFETCH_TYPE(bool, peak) ? "Yes" : "No"));
        QTEST(rig.text("TxtLaeq"), "laeq");
        QCOMPARE(rig.text("LblRunTime"),
                 nd::realtime::clockText(10 * static_cast<long long>(rig.rows().size())));
        QCOMPARE(rig.text("LblStartTime"), QStringLiteral("14:50:00"));
    }

    void lostIntervalIsAGap() {
        Rig rig;
        rig.window->start();
        rig.feed(times(10, "") + times(10, "----"));
        const auto& points = rig.window->findChild<ui::StripGraph*>()->points();
        QCOMPARE(points.size(), std::size_t{2});
        QVERIFY(std::isnan(points[0]));
        QCOMPARE(points[1], 67.9);
    }

    void pauseDropsThePartialInterval() {
        Rig rig;
        rig.window->start();
        rig.feed(times(4, "60.0"));
        rig.window->pause();
        QVERIFY(!rig.action("Pause")->isEnabled() && !rig.action("Open")->isEnabled());
        rig.now += 100; // ticks while paused are ignored
        rig.window->tick();
        rig.window->start();
        rig.feed(times(10, "90.0"));
        QCOMPARE(rig.rows(), QStringList{"90.0"});
    }

    void leavingDbaStopsTheRun_data() {
        QTest::addColumn<bool>("paused");
        QTest::newRow("running") << false;
        QTest::newRow("paused") << true;
    }
    void leavingDbaStopsTheRun() {
        Rig rig;
        rig.window->start();
        rig.feed(times(25, "85.0"));
        if (QFETCH_TYPE(bool, paused))
            rig.window->pause();
        rig.dba = false;
        rig.feed({"85.0"});
        QCOMPARE(rig.window->runState(), Average::RunState::Stopped);
        QCOMPARE(rig.text("LblRunTime"), QStringLiteral("00:00:20"));
        QVERIFY(rig.action("Start")->isEnabled() && !rig.action("Stop")->isEnabled());
    }

    void freshStartAsksAndDrawsNothingOld() {
        Rig rig;
        rig.window->start();
        rig.feed(times(10, "99.0"));
        rig.window->stop();
        rig.dialogs.answerMessage(Answer::Cancel);
        rig.window->start();
        QCOMPARE(rig.rows(), QStringList{"99.0"}); // kept
        // The user answers 23 s later: the run starts then, not when asked.
        rig.dialogs.answerMessage(Answer::Ok);
        rig.dialogs.whileMessageShown([&rig] { rig.now += 23.0; });
        rig.window->start();
        QVERIFY(rig.rows().isEmpty());
        QVERIFY(rig.window->findChild<ui::StripGraph*>()->points().empty());
        QCOMPARE(rig.text("LblStartTime"), QStringLiteral("14:50:33"));
        rig.feed(times(7, "99.0"));
        rig.window->stop();
        QVERIFY(rig.rows().isEmpty());
        QCOMPARE(rig.text("LblRunTime"), QStringLiteral("00:00:00"));
    }

    void intervalAnswers() {
        Rig rig;
        rig.dialogs.answerInput(QStringLiteral("0:90:0"));
        rig.dialogs.answerInput(QStringLiteral("0:0:5"));
        rig.window->askInterval();
        QCOMPARE(rig.dialogs.messages(), QStringList{"Invalid, try again!\r\n"});
        rig.window->start();
        QCOMPARE(rig.text("LblIntv"), QStringLiteral("00:00:05"));
        rig.feed(times(10, "80.0"));
        QCOMPARE(rig.rows().size(), 2);
    }

    void saveOpenAndPrompts() {
        QTemporaryDir dir;
        Rig rig;
        rig.window->show();
        QTest::keyClicks(rig.window->findChild<QLineEdit*>("TxtJob"), "Hall \"A\"");
        rig.window->start();
        rig.feed(times(300, "85.0")); // 30 rows: the grid scrolled down, the strip at 11 to 30
        QCOMPARE(rig.window->findChild<ui::StripGraph*>()->shownRange(),
                 (std::pair<long long, long long>{11, 30}));
        // Saving into no folder fails and says so; ".avg" is added to the typed name.
        rig.dialogs.answerSaveFile(QStringLiteral("/nonexistent-folder/run.avg"));
        rig.window->save();
        QVERIFY(rig.dialogs.messages().value(0).contains("could not be saved"));
        rig.window->stop();
        rig.dialogs.answerSaveFile(dir.filePath("run"));
        rig.window->save();
        // Saved: a fresh start asks nothing.
        rig.window->start();
        rig.window->stop();
        QCOMPARE(rig.dialogs.messages().size(), 1);
        // The name exists once ".avg" is added: asked, and Cancel writes nothing.
        rig.dialogs.answerSaveFile(dir.filePath("run"));
        rig.dialogs.answerMessage(Answer::Cancel);
        rig.window->save();
        QCOMPARE(rig.dialogs.messages().size(), 2);

        Rig other;
        other.window->show();
        other.dialogs.answerOpenFile(dir.filePath("run.avg"));
        other.window->open();
        QCOMPARE(other.rows(), QStringList(30, "85.0"));
        QCOMPARE(other.text("TxtJob"), QStringLiteral("Hall A")); // no quotes typed in
        QCOMPARE(other.text("LblRunTime"), QStringLiteral("00:05:00"));
        QCOMPARE(other.window->findChild<ui::StripGraph*>()->shownRange(),
                 (std::pair<long long, long long>{1, 30}));
        QCOMPARE(other.window->findChild<QTableView*>("Grid")->rowAt(0), 0);
        // A file that is not one is refused with a message and nothing is lost.
        QVERIFY(!nd::stored::saveBytes(dir.filePath("bad.avg"), "\"JOB: x\"\r\n"));
        other.dialogs.answerOpenFile(dir.filePath("bad.avg"));
        other.window->open();
        QCOMPARE(other.dialogs.messages().size(), 1);
        QCOMPARE(other.rows().size(), 30);
        // While the main window records, Save says so and asks for no file.
        other.window->setRecordingCheck([] { return true; });
        other.window->save();
        QCOMPARE(other.dialogs.messages().size(), 2);
        QCOMPARE(other.dialogs.shown().back().kind, nd::test::ScriptedDialogs::Kind::Message);
    }

    void closingAsksAboutUnsavedRows() {
        Rig rig;
        rig.window->start();
        rig.feed(times(10, "85.0"));
        rig.dialogs.answerMessage(Answer::Cancel);
        QVERIFY(!rig.window->close());
        rig.dialogs.answerMessage(Answer::Ok);
        rig.window->setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(rig.window->close());
    }
};

QTEST_MAIN(AverageWindowTest)
#include "test_average_window.moc"
