// noisedesk-screenshots OUTDIR: opens every window of the program on the in-process
// virtual meter, offscreen, and saves a picture of each, so the guide's screenshots are
// made from the real windows and never go stale. scripts/screenshots.sh runs it.
#include "dialogs/Dialogs.h"
#include "link/Clock.h"
#include "link/ui/PortWindow.h"
#include "panel/Panel.h"
#include "sim/LoggedSets.h"
#include "sim/SimPort.h"
#include "sim/VirtualMeter.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPrinter>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace {

/// Answers every dialog without a person: OK, the default text, the prepared file to open,
/// nothing to save or print.
class UnattendedDialogs final : public nd::dialogs::Dialogs {
public:
    QString fileToOpen;

    nd::dialogs::Answer message(QWidget*, const nd::dialogs::Message&) override {
        return nd::dialogs::Answer::Ok;
    }
    std::optional<QString> input(QWidget*, const QString&, const QString&,
                                 const QString& defaultText) override {
        return defaultText;
    }
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override {
        return fileToOpen;
    }
    std::optional<QString> folder(QWidget*, const QString&) override { return std::nullopt; }
    std::unique_ptr<QPrinter> print(QWidget*) override { return nullptr; }
    bool openDocument(const QUrl&) override { return true; }

protected:
    std::optional<nd::dialogs::SaveChoice> chooseSaveFile(QWidget*, const QString&,
                                                          const QString&) override {
        return std::nullopt;
    }
};

/// Lets the event loop run for a while (the virtual meter answers meanwhile).
void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QWidget* visibleWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == name)
            return w;
    }
    return nullptr;
}

QWidget* waitForWindow(const QString& name, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (QWidget* w = visibleWindow(name))
            return w;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return nullptr;
}

/// Clicks a button or triggers a menu item of `owner` by its object name.
bool activate(QObject& owner, const QString& name) {
    if (auto* button = owner.findChild<QAbstractButton*>(name)) {
        button->click();
        return true;
    }
    if (auto* action = owner.findChild<QAction*>(name)) {
        action->trigger();
        return true;
    }
    return false;
}

/// A recording of a working day's first minutes, as the main window writes it.
QString writeSampleRecording(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("shift.dat"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QTextStream out(&file);
    out << "No.s\tDate\tTime\tdBA\r\n";
    const double pattern[] = {78.2, 81.5, 85.1, 88.4, 92.7, 95.3, 90.1, 86.6, 83.2, 79.9};
    for (int i = 0; i < 600; ++i) {
        const int seconds = 8 * 3600 + i * 2;
        const double level = pattern[i % 10] + (i % 37) * 0.1 + (i / 150) * 1.5;
        const QString time = QStringLiteral("%1:%2:%3.0")
                                 .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        out << (i + 1) << "\t2026/12/07\t" << time << "\t" << QString::number(level, 'f', 1)
            << "\r\n";
    }
    return path;
}

struct Shot {
    QString file;       ///< picture name in the output folder
    QString trigger;    ///< button or menu item to press, on the main window
    QString windowName; ///< object name of the window that opens
    int settleMs = 800;
    bool keepOpen = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // nothing remembered in the user's settings
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: noisedesk-screenshots OUTDIR\n";
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    int failures = 0;
    auto save = [&](QWidget* window, const QString& file) {
        if (!window || !window->grab().save(out.filePath(file))) {
            err << "noisedesk-screenshots: no picture for " << file << "\n";
            ++failures;
        }
    };

    // The port window as the user first sees it.
    {
        nd::link::ui::Port port(QStringLiteral("COM  5"), {});
        port.show();
        settle(200);
        save(&port, QStringLiteral("port.png"));
    }

    UnattendedDialogs dialogs;
    dialogs.fileToOpen = writeSampleRecording(QDir::tempPath());
    auto clock = std::make_shared<nd::link::VirtualClock>(0.0, 0.05);
    auto meter = std::make_shared<nd::sim::VirtualMeter>();
    nd::sim::storeLoggedSets(*meter, nd::sim::demoSets(3, QDateTime::currentDateTime()));
    nd::panel::Panel panel(dialogs);
    panel.show();
    auto port = std::make_shared<std::unique_ptr<nd::sim::SimPort>>(
        std::make_unique<nd::sim::SimPort>(meter, *clock));
    panel.load([port] { return std::unique_ptr<nd::link::Port>(std::move(*port)); }, clock,
               QStringLiteral("COM5"));
    settle(2500);
    save(&panel, QStringLiteral("panel.png"));
    panel.programState().SampleInterval = 5; // half a second: the live list fills sooner

    const Shot shots[] = {
        {"analog.png", "MnuAnalog", "Analog"},
        {"digital.png", "MnuDigital", "Digital"},
        {"keypad.png", "MnuPanel", "SLmPanel"},
        {"setup.png", "MnuSetmode", "Setup"},
        {"standards.png", "MnuOnes", "Standard"},
        {"event.png", "CmdEvent", "FrmEvent", 1500},
        {"memory.png", "CmdMemory", "Memory", 4000},
        {"list.png", "cmdList", "List", 4000},
        {"realtime.png", "CmdGraph", "RealTimeSLM", 15000},
        {"average.png", "CmdAvg", "Average", 1500},
        {"assessment.png", "MnuAssessment", "Assessment"},
        {"savedfile.png", "MnuView", "FileList", 1500, true},
    };
    for (const Shot& shot : shots) {
        if (!activate(panel, shot.trigger)) {
            err << "noisedesk-screenshots: no " << shot.trigger << " on the main window\n";
            ++failures;
            continue;
        }
        QWidget* window = waitForWindow(shot.windowName, 10000);
        settle(shot.settleMs);
        if (auto* sets = window ? window->findChild<QTableView*>(QStringLiteral("Grid1")) : nullptr;
            sets && sets->model() && sets->model()->rowCount() > 0) {
            emit sets->clicked(sets->model()->index(0, 0)); // a set's records below the sets
            settle(300);
        }
        save(window, shot.file);
        if (window && !shot.keepOpen)
            window->close();
    }

    // From the saved file: its histograms and its plot.
    if (QWidget* saved = visibleWindow(QStringLiteral("FileList"))) {
        const Shot fromFile[] = {
            {"histogram1.png", "Cmd1dB", "Histogram1"},
            {"histogram.png", "Cmd01dB", "Histogram"},
            {"plot.png", "Plot", "Plot"},
            {"report.png", "Report", "ReportWindow"},
        };
        for (const Shot& shot : fromFile) {
            if (!visibleWindow(shot.windowName))
                activate(*saved, shot.trigger);
            QWidget* window = waitForWindow(shot.windowName, 5000);
            settle(shot.settleMs);
            save(window, shot.file);
        }
    }
    panel.shutDown();
    return failures == 0 ? 0 : 2;
}
