#pragma once

#include "LevelList.h"

#include <QStringList>

namespace nd::stored {

/// The printed listing of a level list, one string per printed line (one copy): four
/// single blanks, the three notes, an empty line, the two heading lines, then one line
/// per row in fixed columns (number 8, date 11, time 13, level right-justified in 5).
/// Every line but the blank ones starts with "-" and 20 blanks. A text longer than its
/// column is printed whole, pushing the rest of the line to the right.
QStringList listingLines(const LevelList& list);
/// The same with `figures` (the exposure figures, one per line) after the notes, so they
/// come on the first page above the rows.
QStringList listingLines(const LevelList& list, const QStringList& figures);

} // namespace nd::stored
