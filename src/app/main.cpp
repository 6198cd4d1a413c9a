#include "Options.h"
#include "Startup.h"
#include "archive/ui/ArchiveHooks.h"
#include "dialogs/WidgetDialogs.h"

#include <QApplication>
#include <QElapsedTimer>

namespace {

void nameProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("noisedesk"));
    QCoreApplication::setApplicationVersion(nd::app::programVersion());
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (nd::app::asksForInformationOnly(argc, argv)) {
        // --help and --version need no display.
        QCoreApplication core(argc, argv);
        nameProgram();
        nd::app::parseOptions(QCoreApplication::arguments());
        return 0;
    }
    QApplication application(argc, argv);
    nameProgram();
    // No display name: the windows' captions are the program's own texts exactly, and
    // the desktop entry names the program. The organisation places remembered settings.
    QCoreApplication::setOrganizationName(QStringLiteral("NoiseDesk"));
    // The port window's close does not end the program; once the main window shows, the
    // last window to close does (Startup).
    QApplication::setQuitOnLastWindowClosed(false);

    const nd::app::Options options = nd::app::parseOptions(QApplication::arguments());
    nd::archive::ui::ArchiveHooks::setCommandLine(options.archive, options.noArchive);
    nd::dialogs::WidgetDialogs dialogs;
    nd::app::Startup startup(options, dialogs, sinceStart);
    if (!startup.start())
        return 1;
    return QApplication::exec();
}
