// The live list fed by the main window's sample schedule on the in-process virtual meter:
// rows while the meter answers, none while it is silent, the dBA stop keeping the window.
#include "PanelRig.h"
#include "stored/ui/List.h"

#include <QTest>

using nd::stored::ui::List;
using nd::test::PanelRig;

namespace {
constexpr int kWait = 8000;
}

class PanelListTest : public QObject {
    Q_OBJECT

private slots:
    void liveList_followsTheMeter() {
        PanelRig rig;
        QVERIFY(rig.loadOnline());
        rig.program().SampleInterval = 2; // a sample every 0.2 s
        rig.activate("cmdList");
        QTRY_VERIFY_WITH_TIMEOUT(rig.find<List>("List"), kWait);
        List* list = rig.find<List>("List");
        QVERIFY(rig.program().ListRecording);
        QTRY_VERIFY_WITH_TIMEOUT(list->model().rowCount() >= 3, kWait);
        QCOMPARE(list->model().list().rows.front().number, QString("1"));

        // A silent meter: the value shown goes stale and the list adds nothing.
        rig.meter->setFaults({.silent = true});
        QTRY_VERIFY_WITH_TIMEOUT(list->missedCount() >= 3, kWait);
        const int rows = list->model().rowCount();
        QTest::qWait(600);
        QCOMPARE(list->model().rowCount(), rows);

        rig.meter->setFaults({});
        QTRY_VERIFY_WITH_TIMEOUT(list->model().rowCount() > rows, 20000);

        // Leaving dBA stops the collection; the window and its rows stay.
        rig.meter->pressKeys(nd::link::keys::kMode, rig.clock->now());
        QTRY_VERIFY_WITH_TIMEOUT(!list->collecting(), kWait);
        QVERIFY(!rig.program().ListRecording);
        QVERIFY(list->isVisible());
        QVERIFY(list->model().rowCount() > rows);
        for (const auto& row : list->model().list().rows)
            QVERIFY(row.level.isSound()); // no %DOSE text ever got in
    }
};

QTEST_MAIN(PanelListTest)
#include "test_panel_list.moc"
