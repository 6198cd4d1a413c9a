// Figures of the real-time windows, printed for bench/graphs_bench.sh:
//   1. the Plot window on 86,400 rows: milliseconds to open and shown, and milliseconds
//      per frame while panning and zooming (each step repainted at once);
//   2. the Real Time Graph at full speed: processor time per tick early and late in a
//      run, and the share of one core at two ticks a second;
//   3. resident memory with the main window (on the in-process virtual meter), Analog,
//      Digital, an 86,400-row file view, Plot, Real Time Graph and Average open.
// With "--show FILE.dat" it only shows that file in a Plot window, to look at.
#include "dialogs/WidgetDialogs.h"
#include "link/Clock.h"
#include "panel/Analog.h"
#include "panel/Digital.h"
#include "panel/Panel.h"
#include "realtime/LiveFeed.h"
#include "realtime/ui/Average.h"
#include "realtime/ui/Plot.h"
#include "realtime/ui/PlotView.h"
#include "realtime/ui/RealTimeSLM.h"
#include "sim/SimPort.h"
#include "sim/VirtualMeter.h"
#include "stored/DataFile.h"
#include "stored/ui/DataFileView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

nd::stored::LevelList dayOfSamples() {
    nd::stored::LevelList list;
    QRandomGenerator random(7);
    list.rows.reserve(86400);
    for (int i = 0; i < 86400; ++i) {
        const int tenths = 600 + static_cast<int>(random.bounded(500));
        const QString value = i % 5000 == 17 ? QStringLiteral("OL")
                              : tenths < 700
                                  ? QStringLiteral("----")
                                  : QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
        list.rows.push_back(nd::stored::makeRow(QString::number(i + 1),
                                                QStringLiteral("2026/12/05"),
                                                QStringLiteral("%1:%2:%3.0")
                                                    .arg(i / 3600, 2, 10, QLatin1Char('0'))
                                                    .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                                                    .arg(i % 60, 2, 10, QLatin1Char('0')),
                                                value));
    }
    return list;
}

struct Frames {
    double mean = 0;
    double worst = 0;
};

template <typename Step> Frames timeFrames(QWidget* viewport, int count, Step step) {
    Frames f;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        step(i);
        viewport->repaint();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        f.mean += ms / count;
        f.worst = std::max(f.worst, ms);
    }
    return f;
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    nd::dialogs::WidgetDialogs dialogs;
    if (argc == 3 && QByteArray(argv[1]) == "--show") {
        const nd::stored::DataFileRead read =
            nd::stored::readDataFile(QString::fromLocal8Bit(argv[2]));
        if (!read.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(read.error.text()));
            return 1;
        }
        nd::realtime::ui::Plot::showList(read.content->list, QString::fromLocal8Bit(argv[2]),
                                         dialogs);
        return QApplication::exec();
    }
    const nd::stored::LevelList list = dayOfSamples();

    // 1. Plot.
    QElapsedTimer open;
    open.start();
    auto* plot = new nd::realtime::ui::Plot(dialogs);
    plot->resize(1100, 750);
    plot->plot(list, QStringLiteral("day.dat"));
    plot->show();
    QApplication::processEvents();
    plot->view()->viewport()->repaint();
    std::printf("plot: open 86400 rows       %.0f ms (%lld points in the series)\n",
                static_cast<double>(open.nsecsElapsed()) / 1e6,
                static_cast<long long>(plot->seriesPoints()));
    QWidget* viewport = plot->view()->viewport();
    plot->setTrackMode(2); // PanXY
    const Frames panWhole = timeFrames(viewport, 200, [&](int i) {
        plot->view()->panBy({i % 2 ? 3.0 : -3.0, i % 2 ? 1.0 : -1.0});
    });
    plot->resetScale();
    const Frames zoom = timeFrames(viewport, 200, [&](int i) {
        // In to a few hundred rows and out again, about the middle of the day.
        const double width = 86400.0 * std::pow(0.96, i < 100 ? i : 200 - i);
        plot->view()
            ->chart()
            ->axes(Qt::Horizontal)
            .value(0)
            ->setRange(43200 - width / 2, 43200 + width / 2);
    });
    plot->view()->chart()->axes(Qt::Horizontal).value(0)->setRange(20000, 41600);
    const Frames panQuarter = timeFrames(viewport, 200, [&](int) {
        plot->view()->panBy({-4.0, 0.0});
    });
    std::printf("plot: pan, whole day          %.2f ms a frame (worst %.2f)\n", panWhole.mean,
                panWhole.worst);
    std::printf("plot: pan, a quarter day      %.2f ms a frame (worst %.2f)\n", panQuarter.mean,
                panQuarter.worst);
    std::printf("plot: zoom in and out         %.2f ms a frame (worst %.2f)\n", zoom.mean,
                zoom.worst);

    // 2. Real Time Graph at full speed on a scripted clock; each tick repaints the window.
    double now = 0.0;
    auto* graph = new nd::realtime::ui::RealTimeSLM(
        [] {
            static QRandomGenerator random(3);
            nd::realtime::LiveSnapshot s;
            const int tenths = 700 + static_cast<int>(random.bounded(400));
            s.reading.level = {nd::stored::LevelKind::Level, tenths / 10.0};
            s.dbaMode = true;
            return s;
        },
        dialogs, nullptr, {[&now] { return now; }, [] { return QDateTime::currentDateTime(); }});
    graph->resize(660, 500);
    graph->show();
    QApplication::processEvents();
    auto ticks = [&](int count) {
        const double start = cpuSeconds();
        for (int i = 0; i < count; ++i) {
            now += nd::realtime::ui::RealTimeSLM::kTickSeconds;
            graph->tick();
            graph->repaint();
        }
        return (cpuSeconds() - start) / count * 1000.0;
    };
    const double startCpu = cpuSeconds();
    const double first = ticks(100);
    ticks(1000);
    const double tenMinutes = ticks(100); // ticks 1101 to 1200: ten minutes in
    const double runCpu = cpuSeconds() - startCpu;
    ticks(10800);
    const double hundredMinutes = ticks(100);
    std::printf("graph: 10 minutes (1200 ticks) %.3f s processor time, %.2f %% of one core "
                "at 2 ticks/s\n",
                runCpu, runCpu / 600.0 * 100.0);
    std::printf("graph: per tick, ticks 1-100    %.3f ms\n", first);
    std::printf("graph: per tick, at 10 minutes  %.3f ms\n", tenMinutes);
    std::printf("graph: per tick, at 100 minutes %.3f ms\n", hundredMinutes);

    // 3. Resident memory with the windows open.
    auto clock = std::make_shared<nd::link::VirtualClock>(0.0, 0.02);
    auto meter = std::make_shared<nd::sim::VirtualMeter>();
    nd::panel::Panel panel(dialogs);
    panel.load([meter, clock] { return std::make_unique<nd::sim::SimPort>(meter, *clock); }, clock,
               QStringLiteral("COM3"));
    panel.show();
    auto* analog = new nd::panel::Analog(
        [] {
            return nd::panel::ShownReading{"85.0", "dBA"};
        },
        &panel);
    auto* digital = new nd::panel::Digital([] { return QStringLiteral("85.0"); }, &panel);
    auto* file = new nd::stored::ui::DataFileView(QStringLiteral("day.dat"), list, &panel);
    nd::realtime::LiveFeed feed(*panel.meterLink());
    auto* average = new nd::realtime::ui::Average(feed.source(), dialogs, &panel);
    for (QWidget* w : std::initializer_list<QWidget*>{analog, digital, file, average})
        w->show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("memory: main window, Analog, Digital, an 86400-row file view, Plot (86400),\n"
                "        Real Time Graph and Average open: %.1f MB resident\n",
                static_cast<double>(residentKb()) / 1024.0);
    panel.shutDown();
    delete plot;
    delete graph;
    return 0;
}
