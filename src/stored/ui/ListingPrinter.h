#pragma once

#include <QStringList>

class QPrinter;
class QWidget;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::stored::ui {

/// Prints a listing (a list of text lines) in a fixed-pitch font that every Linux system
/// has, breaking pages as they fill. The copy count chosen in the print dialog is honoured
/// once: the printer's own copy setting is reset to 1 and the listing is sent that many
/// times in one job, each copy starting on a new page, so N copies print N, not N x N.
class ListingPrinter {
public:
    static constexpr double kPointSize = 8.0;

    /// Asks for a printer through the dialogs and prints; false when cancelled or failed.
    static bool print(dialogs::Dialogs& dialogs, QWidget* parent, const QStringList& lines);
    /// Prints on a printer already set up; returns the number of pages printed (0: failed).
    static int print(QPrinter& printer, const QStringList& lines, int copies);
};

} // namespace nd::stored::ui
