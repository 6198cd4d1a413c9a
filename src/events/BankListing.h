#pragma once

#include "BankFile.h"

#include <QStringList>

namespace nd::events {

/// The printed listing of the Event window: the three boxes, then the grid with its
/// headings, one line per row, in fixed-width columns for a fixed-pitch font.
QStringList BankListing(const BankTable& table);

} // namespace nd::events
