#include "DataFileView.h"

#include "dialogs/Dialogs.h"
#include "stored/DataFile.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace nd::stored::ui {

DataFileView::DataFileView(const QString& title, LevelList list, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("DataFileView"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    const auto notes = list.notes;
    m_model.setList(std::move(list));
    auto* view = new QTableView;
    view->setObjectName(QStringLiteral("Grid"));
    view->setModel(&m_model);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view, 1);
    for (int i = 0; i < 3; ++i) {
        auto* note = new QLabel(notes[static_cast<std::size_t>(i)]);
        note->setObjectName(QStringLiteral("T%1").arg(i + 1));
        note->setFrameShape(QFrame::StyledPanel);
        layout->addWidget(note);
    }
    resize(420, 560);
}

DataFileView* DataFileView::open(dialogs::Dialogs& dialogs, QWidget* parent) {
    const auto path = dialogs.openFile(parent, QStringLiteral("Open"),
                                       QStringLiteral("Data File[*.dat]|*.dat|All type[*.*]|*.*"));
    if (!path || path->isEmpty())
        return nullptr;
    DataFileRead read = readDataFile(*path);
    if (!read.ok()) {
        dialogs.message(parent, {QStringLiteral("%1 could not be read.\r\n%2")
                                     .arg(QFileInfo(*path).fileName(), read.error.text()),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
        return nullptr;
    }
    const QStringList remarks = read.content->remarks();
    auto* view =
        new DataFileView(QFileInfo(*path).fileName(), std::move(read.content->list), parent);
    view->show();
    if (!remarks.isEmpty())
        dialogs.message(view, {QFileInfo(*path).fileName() + QStringLiteral(": ") +
                                   remarks.join(QLatin1Char(' ')),
                               dialogs::Buttons::Ok,
                               dialogs::Icon::Exclamation,
                               {}});
    return view;
}

} // namespace nd::stored::ui
