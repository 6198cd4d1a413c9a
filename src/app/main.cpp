#include "Options.h"
#include "Startup.h"
#include "dialogs/WidgetDialogs.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char* argv[]) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("noisedesk"));
    QApplication::setApplicationDisplayName(QStringLiteral("NoiseDesk"));
    QApplication::setApplicationVersion(nd::app::programVersion());
    // The program ends when the main window says so, not when the port window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    const nd::app::Options options = nd::app::parseOptions(QApplication::arguments());
    nd::dialogs::WidgetDialogs dialogs;
    nd::app::Startup startup(options, dialogs, sinceStart);
    if (!startup.start())
        return 1;
    return QApplication::exec();
}
