#include "PanelTexts.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace nd::panel {

namespace {
// Our own guide, one PDF per language, made from docs/guide at build time.
constexpr std::array<const char*, kHelpLanguages> kHelpFiles = {
    "NoiseDesk-Guide-EN.pdf", "NoiseDesk-Guide-FR.pdf", "NoiseDesk-Guide-DE.pdf",
    "NoiseDesk-Guide-IT.pdf", "NoiseDesk-Guide-PT.pdf", "NoiseDesk-Guide-ES.pdf",
};
} // namespace

QString versionText() {
    return QStringLiteral("V 10.02");
}

QString longCaption() {
    return QStringLiteral("Panel   V10.02   2018-02-12.1");
}

QString twaNote() {
    const QString cr = QStringLiteral("\r");
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("The eight-hour time-weighted average sound level(TWA),") + cr +
           QStringLiteral(" in decibels, may be computed from the dose, in percent,") + cr +
           QStringLiteral(" by means of the foumula: TWA= 16.61 log(base10) (D/100) + 90.") + cr +
           QStringLiteral(" For an eight-hour workshift with the noise level constant over") + cr +
           QStringLiteral(" the entire shift, the TWA is equal to the measured sound level.") + cr +
           crlf + crlf + QStringLiteral("Note:") + cr +
           QStringLiteral("     The value of TWA is correct in slow response mode.") + cr +
           QStringLiteral("     If you want to check the value of TWA,") + cr +
           QStringLiteral("     you have to set your meter to %DOSE display mode(use MODE key)") +
           cr +
           QStringLiteral("     and set your meter to slow response mode and open list menu.") + cr;
}

QStringList helpMenuCaptions() {
    return {QStringLiteral("English"), QStringLiteral("French"),     QStringLiteral("German"),
            QStringLiteral("Italian"), QStringLiteral("Portuguese"), QStringLiteral("Spanish")};
}

QString helpDocumentPath(const QString& programFolder, int index) {
    if (index < 0 || index >= kHelpLanguages)
        return programFolder;
    return QDir(programFolder)
        .filePath(QStringLiteral("help/") +
                  QString::fromLatin1(kHelpFiles[static_cast<size_t>(index)]));
}

QStringList helpDocumentCandidates(const QString& programFolder, int index) {
    const QString beside = helpDocumentPath(programFolder, index);
    if (beside == programFolder)
        return {beside};
    const QString installed =
        QDir(programFolder)
            .filePath(QStringLiteral("../share/noisedesk/help/") + QFileInfo(beside).fileName());
    return {beside, QDir::cleanPath(installed)};
}

} // namespace nd::panel
