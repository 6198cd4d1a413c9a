#pragma once

#include <QStringList>

class QAbstractItemModel;
class QTableView;

namespace nd::stored::ui {

/// A read-only level-list grid: whole rows selected, fixed row heights (measuring 86,400
/// rows would cost more than showing them), columns as wide as the sample texts.
QTableView* levelGrid(const QString& name, QAbstractItemModel* model, const QStringList& samples);

} // namespace nd::stored::ui
