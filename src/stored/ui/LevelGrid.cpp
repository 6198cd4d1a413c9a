#include "LevelGrid.h"

#include <QHeaderView>
#include <QTableView>

namespace nd::stored::ui {

QTableView* levelGrid(const QString& name, QAbstractItemModel* model, const QStringList& samples) {
    auto* view = new QTableView;
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    const QFontMetrics metrics(view->font());
    for (int c = 0; c < samples.size(); ++c)
        view->setColumnWidth(c, metrics.horizontalAdvance(samples[c]) + 12);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace nd::stored::ui
