#include "FakePort.h"
#include "link/Clock.h"
#include "link/MeterLink.h"

#include <QSignalSpy>
#include <QTest>

using namespace nd::link;
using nd::test::FakePort;

namespace {

/// A link over a FakePort on a virtual clock that runs about 200 times faster than life.
struct LinkRig {
    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>(0.0, 0.005);
    FakePort* port = nullptr;
    FakePort::Responder responder = nd::test::answerLikeAMeter;
    OpenError openError = OpenError::None;
    MeterLink link{[this] {
                       auto p = std::make_unique<FakePort>(*clock, responder);
                       p->setOpenError(openError);
                       port = p.get();
                       return p;
                   },
                   clock, "COM3"};
};

bool waitForPolls(const MeterLink& link, std::uint64_t count) {
    return QTest::qWaitFor([&] { return link.state().PollCount >= count; }, 10000);
}

} // namespace

class MeterLinkTest : public QObject {
    Q_OBJECT

private slots:
    void polls_andPublishesTheState() {
        LinkRig rig;
        QSignalSpy opened(&rig.link, &MeterLink::opened);
        rig.link.start();
        QVERIFY(waitForPolls(rig.link, 3));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.front().front().value<OpenResult>().ok());
        const MeterState s = rig.link.state();
        QCOMPARE(s.LinkCaption, QString("COM3"));
        QCOMPARE(s.ThresholdText, QString("80"));
        QCOMPARE(DisplayValueText(s), QString("94.5"));
        QVERIFY(s.Online);
        rig.link.stop();
        QVERIFY(!rig.port->isOpen());
    }

    void jobs_neverInterleaveWithPollCycles() {
        LinkRig rig;
        rig.link.start();
        QVERIFY(waitForPolls(rig.link, 2));
        bool finished = false;
        JobOutcome outcome = JobOutcome::Stopped;
        rig.link.submit({"read three cells",
                         [](Meter& m) {
                             m.WriteCell(1000, 1); // marks the start in the write log
                             m.ReadCell(1);
                             m.ReadCell(2);
                             m.ReadCell(3);
                             m.WriteCell(1000, 2);
                         },
                         [&](JobOutcome o) {
                             finished = true;
                             outcome = o;
                         }});
        QVERIFY(QTest::qWaitFor([&] { return finished; }, 10000));
        QCOMPARE(outcome, JobOutcome::Done);
        const std::uint64_t after = rig.link.state().PollCount;
        QVERIFY(waitForPolls(rig.link, after + 2)); // polling resumes
        rig.link.stop();

        const auto writes = rig.port->writes();
        bool inJob = false;
        int jobWrites = 0;
        for (const auto& w : writes) {
            if (w.bytes.startsWith('W'))
                inJob = w.bytes.at(3) == 1;
            else if (inJob) {
                QVERIFY2(w.bytes != " ", "a poll cycle ran inside a job");
                ++jobWrites;
            }
        }
        QCOMPARE(jobWrites, 3);
    }

    void stop_endsAStatusPollWaitingOnASilentMeter() {
        // Real time: the status poll really waits between its attempts.
        auto clock = std::make_shared<RealClock>();
        FakePort* port = nullptr;
        MeterLink link(
            [&] {
                auto p = std::make_unique<FakePort>(*clock,
                                                    [](const QByteArray&) { return QByteArray(); });
                port = p.get();
                return p;
            },
            clock, "COM1");
        link.start();
        QVERIFY(QTest::qWaitFor([&] { return link.state().LinkBusy; }, 5000));
        QCOMPARE(link.state().LinkCaption, QString("No COM"));
        bool stopped = false;
        link.submit({"never runs", [](Meter&) {},
                     [&](JobOutcome o) { stopped = o == JobOutcome::Stopped; }});
        link.stop();
        QVERIFY(!link.isRunning());
        QVERIFY(QTest::qWaitFor([&] { return stopped; }, 1000));
    }

    void aFailedOpen_isReportedAndRefusesJobs() {
        LinkRig rig;
        rig.openError = OpenError::Busy;
        QSignalSpy opened(&rig.link, &MeterLink::opened);
        rig.link.start();
        QVERIFY(opened.wait(5000));
        QCOMPARE(opened.front().front().value<OpenResult>().error, OpenError::Busy);
        QVERIFY(QTest::qWaitFor([&] { return !rig.link.isRunning(); }, 5000));
        JobOutcome outcome = JobOutcome::Done;
        bool called = false;
        rig.link.submit({"read", [](Meter& m) { m.ReadCell(1); },
                         [&](JobOutcome o) {
                             called = true;
                             outcome = o;
                         }});
        QVERIFY(QTest::qWaitFor([&] { return called; }, 1000));
        QCOMPARE(outcome, JobOutcome::Stopped);
    }

    void aLostPort_isReopenedAndTheStatusRefreshed() {
        LinkRig rig;
        QSignalSpy lost(&rig.link, &MeterLink::portLost);
        QSignalSpy recovered(&rig.link, &MeterLink::portRecovered);
        rig.link.start();
        QVERIFY(waitForPolls(rig.link, 1));
        rig.port->setFailed(true);
        QVERIFY(lost.wait(5000));
        QCOMPARE(rig.link.state().LinkCaption, QString("No COM"));
        const int statusPolls = rig.port->countWrites("X");
        rig.port->setFailed(false);
        QVERIFY(recovered.wait(5000));
        const std::uint64_t after = rig.link.state().PollCount;
        QVERIFY(waitForPolls(rig.link, after + 1));
        QCOMPARE(rig.link.state().LinkCaption, QString("COM3"));
        QVERIFY(rig.port->countWrites("X") > statusPolls);
    }

    void progress_ofAJobReachesTheWindows() {
        LinkRig rig;
        rig.responder = [](const QByteArray& w) {
            return w == "U" ? QByteArray(500, 'u') : nd::test::answerLikeAMeter(w);
        };
        QSignalSpy progress(&rig.link, &MeterLink::jobProgress);
        rig.link.start();
        bool done = false;
        rig.link.submit({"dump", [](Meter& m) { QVERIFY(m.DumpMemory(400).has_value()); },
                         [&](JobOutcome) { done = true; }});
        QVERIFY(QTest::qWaitFor([&] { return done; }, 10000));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.back().front().toInt(), 100);
    }
};

QTEST_GUILESS_MAIN(MeterLinkTest)
#include "test_meter_link.moc"
