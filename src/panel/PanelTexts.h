#pragma once

#include <QString>
#include <QStringList>

namespace nd::panel {

inline constexpr int kHelpLanguages = 6;

/// The version shown in the menu bar.
QString versionText();
/// The window caption a click on LblCOM toggles to.
QString longCaption();
/// The TWA note, lines ended by carriage returns as the meter's users know it.
QString twaNote();
/// The captions of the Help menu, English first.
QStringList helpMenuCaptions();
/// The help document of a language (0 English to 5 Spanish) in the help folder of
/// `programFolder`; the program folder itself for any other index.
QString helpDocumentPath(const QString& programFolder, int index);
/// Where the Help menu looks for a language's document, in order: the help folder beside
/// the program (a build), then share/noisedesk/help beside its bin folder (installed).
QStringList helpDocumentCandidates(const QString& programFolder, int index);

} // namespace nd::panel
