// noisedesk-guide-pdf: turns a user guide written in Markdown into the PDF the Help menu
// opens. Usage: noisedesk-guide-pdf GUIDE.md OUTPUT.pdf [TITLE]
#include "GuidePdf.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: noisedesk-guide-pdf GUIDE.md OUTPUT.pdf [TITLE]\n";
        return 1;
    }
    const QString title = args.size() > 3 ? args[3] : QStringLiteral("NoiseDesk user guide");
    if (const QString why = nd::guide::renderMarkdownToPdf(args[1], args[2], title);
        !why.isEmpty()) {
        err << "noisedesk-guide-pdf: " << why << "\n";
        return 1;
    }
    return 0;
}
