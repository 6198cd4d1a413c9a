// The Real Time Graph window on scripted readings and a scripted clock: where readings
// land in the image, gaps, the limits panel, stop and restart, leaving dBA, printing.

#include "ScriptedDialogs.h"
#include "realtime/ui/RealTimeSLM.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <cmath>

using namespace nd::realtime;
using nd::realtime::ui::RealTimeSLM;

namespace {

struct Rig {
    nd::test::ScriptedDialogs dialogs;
    double now = 0.0;
    QString value = QStringLiteral("105.0");
    bool dba = true;
    std::unique_ptr<RealTimeSLM> window;

    Rig() {
        window = std::make_unique<RealTimeSLM>(
            [this] {
                LiveSnapshot s;
                s.reading.level = nd::stored::parseLevel(value);
                s.dbaMode = dba;
                return s;
            },
            dialogs, nullptr,
            ui::WindowClock{[this] { return now; }, [] { return QDateTime::currentDateTime(); }});
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(660, 500);
        QApplication::sendPostedEvents();
    }
    void feed(const QStringList& readings) {
        for (const QString& r : readings) {
            value = r;
            now += RealTimeSLM::kTickSeconds;
            window->tick();
        }
    }
    bool black(int x, int y) const { return window->chart().pixelColor(x, y) == Qt::black; }
    void setLimits(const QString& max, const QString& min, const QString& counts) {
        window->showLimits();
        window->findChild<QLineEdit*>("TxtMax")->setText(max);
        window->findChild<QLineEdit*>("TxtMin")->setText(min);
        window->findChild<QLineEdit*>("TxtCounts")->setText(counts);
        window->applyLimits();
    }
};

} // namespace

class GraphWindowTest : public QObject {
    Q_OBJECT

private slots:
    void readingsLandWhereTheyShould_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("y");
        QTest::newRow("101.5, 180 px up") << "101.5" << 293;
        QTest::newRow("OL, 5 px over the top") << "OL" << 68;
        QTest::newRow("----, 3 px under the bottom") << "----" << 476;
    }
    void readingsLandWhereTheyShould() {
        QFETCH(QString, caption);
        Rig rig;
        rig.feed({caption, caption, caption});
        // A flat trace from x = 60 to 62 at the reading's height.
        QFETCH(int, y);
        QVERIFY(rig.black(61, y));
    }

    void firstReadingAndGapsDrawNoLine() {
        Rig rig;
        rig.feed({"101.5"});
        QVERIFY(!rig.black(60, 293)); // no previous point: no line
        rig.feed({"101.5", "", "101.5", "101.5"});
        QVERIFY(rig.black(61, 293));
        QVERIFY(!rig.black(62, 293)); // missing sample at x = 2: no line to or from it
        QVERIFY(rig.black(64, 293));
    }

    void limitsCheckedInOrder() {
        Rig rig;
        // A good level range with a bad count: the message; the levels are kept, the step not.
        rig.setLimits("120", "80", "9");
        QCOMPARE(rig.dialogs.messages(), QStringList{"10 <= Counts <= 864000, try again!"});
        QCOMPARE(rig.window->limits().chartMax, 120.0);
        QVERIFY(!rig.window->limits().counts);
        QVERIFY(rig.window->findChild<QFrame*>("PMessage")->isVisibleTo(rig.window.get()));
        rig.window->findChild<QLineEdit*>("TxtCounts")->setText("300");
        rig.window->applyLimits();
        QCOMPARE(rig.window->limits().chartMax, 120.0);
        QVERIFY(!rig.window->findChild<QFrame*>("PMessage")->isVisibleTo(rig.window.get()));
        // 92.5 is 125 px up on 80 to 120; with 300 counts on 600 px the step is 2.
        rig.feed({"92.5", "92.5"});
        QVERIFY(rig.black(62, 348));
        // A restart keeps the levels; the step is one pixel again.
        rig.window->stopStart();
        rig.window->stopStart();
        QCOMPARE(rig.window->limits().chartMax, 120.0);
        QCOMPARE(rig.window->limits().stepX(600), 1.0);
    }

    void stopAndLeavingDba() {
        Rig rig;
        auto* button = rig.window->findChild<QAction*>("StopStart");
        QCOMPARE(button->toolTip(), QStringLiteral("Stop"));
        rig.feed({"101.5", "101.5"});
        rig.window->stopStart();
        QCOMPARE(button->toolTip(), QStringLiteral("ReStart"));
        rig.feed({"101.5"});
        QVERIFY(!rig.black(62, 293)); // stopped: nothing drawn
        rig.window->stopStart();
        rig.feed({"101.5", "101.5"});
        QSignalSpy closed(rig.window.get(), &RealTimeSLM::closed);
        rig.dba = false;
        rig.feed({"101.5"});
        QCOMPARE(closed.count(), 1); // leaving dBA closes the window
    }

    void printing() {
        Rig rig;
        rig.feed({"105.0", "105.0"});
        for (bool accept : {false, true}) {
            rig.dialogs.answerPrint(accept);
            rig.window->print();
            QVERIFY(rig.window->findChild<QToolBar*>("Toolbar1")->isVisibleTo(rig.window.get()));
            QVERIFY(!QApplication::overrideCursor());
        }
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }
};

QTEST_MAIN(GraphWindowTest)
#include "test_graph_window.moc"
