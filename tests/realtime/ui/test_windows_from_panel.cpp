// The real-time windows opened from the main window on the in-process virtual meter:
// one window each, raised rather than doubled, flags cleared on close, and the live feed
// they read going stale when the meter stops answering.

#include "../../panel/PanelRig.h"
#include "realtime/LiveFeed.h"
#include "realtime/ui/Average.h"
#include "realtime/ui/RealTimeSLM.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using nd::test::PanelRig;

namespace nd::test {
QString PanelRig::text(const QString& labelName) const {
    auto* label = find<QLabel>(labelName);
    return label ? label->text() : QString();
}
} // namespace nd::test

namespace {
constexpr int kWait = 10000;

void loadOnline(PanelRig& rig) {
    rig.load();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.text("LblValue").isEmpty(), kWait);
}
} // namespace

class WindowsFromPanelTest : public QObject {
    Q_OBJECT

private slots:
    void windowsOpenOnceAndClearTheirFlags() {
        PanelRig rig;
        loadOnline(rig);
        rig.find<QPushButton>("CmdGraph")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().GraphOpen, kWait);
        auto graphs = [&rig] { return rig.panel->findChildren<nd::realtime::ui::RealTimeSLM*>(); };
        graphs().front()->stopStart(); // stopped: "Graph" raises it as it is
        rig.find<QPushButton>("CmdGraph")->click();
        QCOMPARE(graphs().size(), 1);
        QVERIFY(!graphs().front()->isRunning());
        graphs().front()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.panel->programState().GraphOpen, kWait);

        rig.find<QPushButton>("CmdAvg")->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panel->programState().AverageOpen, kWait);
        auto* average = rig.panel->findChild<nd::realtime::ui::Average*>();
        QVERIFY(average && average->isVisible());
        average->close();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.panel->programState().AverageOpen, kWait);
    }

    void liveFeedGoesStaleWhenTheMeterIsSilent() {
        PanelRig rig;
        loadOnline(rig);
        nd::realtime::LiveFeed feed(*rig.panel->meterLink());
        QTRY_VERIFY_WITH_TIMEOUT(feed.snapshot().reading.level.isSound(), kWait);
        QVERIFY(feed.snapshot().dbaMode);
        QVERIFY(!feed.snapshot().criterion.isEmpty());
        rig.meter->setFaults({.silent = true});
        QTRY_COMPARE_WITH_TIMEOUT(int(feed.snapshot().reading.level.kind),
                                  int(nd::stored::LevelKind::Missing), kWait);
    }
};

QTEST_MAIN(WindowsFromPanelTest)
#include "test_windows_from_panel.moc"
