#include "FakePort.h"
#include "link/Clock.h"
#include "link/MeterLink.h"

#include <QSignalSpy>
#include <QTest>

using namespace nd::link;
using nd::test::FakePort;

namespace {

/// A link over a FakePort, by default on a virtual clock about 200 times faster than life.
struct LinkRig {
    std::shared_ptr<Clock> clock;
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

    explicit LinkRig(std::shared_ptr<Clock> c = std::make_shared<VirtualClock>(0.0, 0.005))
        : clock(std::move(c)) {}

    bool waitForPolls(std::uint64_t more) const {
        const std::uint64_t target = link.state().PollCount + more;
        return QTest::qWaitFor([&] { return link.state().PollCount >= target; }, 10000);
    }
    /// Submits the work and waits for its outcome (-1 when none comes).
    JobOutcome run(std::function<void(Meter&)> work, std::optional<double> limit = {}) {
        std::optional<JobOutcome> outcome;
        link.submit({"job", std::move(work), [&](JobOutcome o) { outcome = o; }, limit});
        (void)QTest::qWaitFor([&] { return outcome.has_value(); }, 10000);
        return outcome.value_or(static_cast<JobOutcome>(-1));
    }
};

} // namespace

class MeterLinkTest : public QObject {
    Q_OBJECT

private slots:
    void polls_publishesAndRunsJobsNeverInterleavedWithPollCycles() {
        LinkRig rig;
        rig.responder = [](const QByteArray& w) {
            return w == "U" ? QByteArray(500, 'u') : nd::test::answerLikeAMeter(w);
        };
        QSignalSpy opened(&rig.link, &MeterLink::opened);
        QSignalSpy progress(&rig.link, &MeterLink::jobProgress);
        rig.link.start();
        QVERIFY(rig.waitForPolls(2));
        QCOMPARE(opened.size(), 1);
        const MeterState s = rig.link.state();
        QCOMPARE(s.LinkCaption + s.ThresholdText + DisplayValueText(s), QString("COM38094.5"));
        QVERIFY(s.Online);
        bool dumped = false;
        const JobOutcome outcome = rig.run([&dumped](Meter& m) {
            m.WriteCell(1000, 1); // marks the start in the write log
            m.ReadCell(1);
            dumped = m.DumpMemory(400).has_value();
            m.ReadCell(3);
            m.WriteCell(1000, 2);
        });
        QCOMPARE(outcome, JobOutcome::Done);
        QVERIFY(dumped);
        QCOMPARE(progress.back().front().toInt(), 100);
        QVERIFY(rig.waitForPolls(2)); // polling resumes
        rig.link.stop();
        QVERIFY(!rig.port->isOpen());

        bool inJob = false;
        int jobWrites = 0;
        for (const auto& w : rig.port->writes()) {
            if (w.bytes.startsWith('W'))
                inJob = w.bytes.at(3) == 1;
            else if (inJob) {
                QVERIFY2(w.bytes != " ", "a poll cycle ran inside a job");
                ++jobWrites;
            }
        }
        QCOMPARE(jobWrites, 4); // two reads, the dump and its closing "U"
    }

    void jobs_endAtTheirOwnLimitOrWithTheLostPort() {
        LinkRig rig;
        rig.link.start();
        QVERIFY(rig.waitForPolls(1));
        double start = 0.0, end = 0.0;
        const auto waitForEver = [&](Meter& m) {
            start = m.clock().now();
            struct Ended {
                Meter& m;
                double& end;
                ~Ended() { end = m.clock().now(); }
            } ended{m, end};
            for (;;)
                m.Delay(1.0);
        };
        QCOMPARE(rig.run(waitForEver, 5.0), JobOutcome::TimedOut);
        QVERIFY(end - start < 6.5);   // virtual seconds
        QVERIFY(rig.waitForPolls(2)); // the limit held for that job only
        QCOMPARE(rig.run([&](Meter& m) {
            rig.port->setFailed(true);
            m.Delay(0.1);
        }),
                 JobOutcome::PortLost);
    }

    void stop_endsAStatusPollWaitingOnASilentMeter() {
        // Real time: the status poll really waits between its attempts.
        LinkRig rig(std::make_shared<RealClock>());
        rig.responder = [](const QByteArray&) { return QByteArray(); };
        rig.link.start();
        QVERIFY(QTest::qWaitFor([&] { return rig.link.state().LinkBusy; }, 5000));
        QCOMPARE(rig.link.state().LinkCaption, QString("No COM"));
        bool stopped = false;
        rig.link.submit({"never runs", [](Meter&) {},
                         [&](JobOutcome o) { stopped = o == JobOutcome::Stopped; }});
        rig.link.stop();
        QVERIFY(!rig.link.isRunning());
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
        bool ran = false;
        QCOMPARE(rig.run([&](Meter&) { ran = true; }), JobOutcome::Stopped);
        QVERIFY(!ran);
    }

    void aLostPort_isReopenedAndTheStatusRefreshed() {
        LinkRig rig;
        QSignalSpy lost(&rig.link, &MeterLink::portLost);
        QSignalSpy recovered(&rig.link, &MeterLink::portRecovered);
        rig.link.start();
        QVERIFY(rig.waitForPolls(1));
        rig.port->setFailed(true);
        QVERIFY(lost.wait(5000));
        QCOMPARE(rig.link.state().LinkCaption, QString("No COM"));
        const int statusPolls = rig.port->countWrites("X");
        rig.port->setFailed(false);
        QVERIFY(recovered.wait(5000));
        QVERIFY(rig.waitForPolls(1));
        QCOMPARE(rig.link.state().LinkCaption, QString("COM3"));
        QVERIFY(rig.port->countWrites("X") > statusPolls);
    }
};

QTEST_GUILESS_MAIN(MeterLinkTest)
#include "test_meter_link.moc"
