#pragma once

#include <QFont>
#include <QStringList>

class QPrinter;

namespace nd::events {

/// Prints text lines on the printer in the given (fixed-pitch) font, starting a new page
/// when one is full. False when the printer could not be started.
bool PrintListing(QPrinter& printer, const QStringList& lines, const QFont& font);

/// The font listings are printed in.
QFont ListingFont();

} // namespace nd::events
