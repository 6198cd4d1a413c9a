// The Average window on scripted readings and a scripted clock: pause, the automatic stop,
// save, open and the prompts (the averages and the file: test_interval_averages).

#include "ScriptedDialogs.h"
#include "realtime/ui/Average.h"
#include "realtime/ui/StripGraph.h"
#include "stored/LevelListModel.h"
#include "stored/SaveFile.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
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

    void leavingDbaStopsTheRun() {
        Rig rig;
        rig.window->start();
        rig.feed(times(25, "85.0"));
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
    }

    void saveOpenAndPrompts() {
        QTemporaryDir dir;
        Rig rig;
        rig.window->show();
        QTest::keyClicks(rig.window->findChild<QLineEdit*>("TxtJob"), "Hall \"A\"");
        rig.window->start();
        rig.feed(times(300, "85.0")); // 30 rows
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
