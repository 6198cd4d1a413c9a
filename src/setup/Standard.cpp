#include "Standard.h"

#include "SetupRunner.h"
#include "Standards.h"
#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace nd::setup {

Standard::Standard(SetupRunner& runner, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_runner(runner), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Standard"));
    setWindowTitle(QStringLiteral("Occupational Noise Exposure Standard"));
    setAttribute(Qt::WA_DeleteOnClose);

    const QStringList headings = StandardHeadings();
    m_Grid = new QTableWidget(kStandardCount, static_cast<int>(headings.size()), this);
    m_Grid->setObjectName(QStringLiteral("Grid"));
    m_Grid->setHorizontalHeaderLabels(headings);
    m_Grid->verticalHeader()->hide();
    m_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_Grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_Grid->setFocusPolicy(Qt::NoFocus);
    int row = 0;
    for (const NoiseStandard& standard : Standards()) {
        const QStringList cells = StandardCells(standard);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignCenter);
            if (column == 0) {
                // The country column is the fixed one, and the only one that loads.
                item->setBackground(palette().button());
                item->setToolTip(
                    QStringLiteral("Load %1's criterion level and exchange rate").arg(cells[0]));
            }
            m_Grid->setItem(row, column, item);
        }
        ++row;
    }
    m_Grid->resizeColumnsToContents();
    for (int column = 1; column < m_Grid->columnCount(); ++column) {
        // Each value column as wide as its heading with two letters to spare.
        const int width = fontMetrics().horizontalAdvance(QStringLiteral("AA") + headings[column]);
        m_Grid->setColumnWidth(column, std::max(width, m_Grid->columnWidth(column)));
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_Grid);
    m_Grid->resizeRowsToContents();
    const int frame = 2 * m_Grid->frameWidth();
    m_Grid->setMinimumSize(m_Grid->horizontalHeader()->length() + frame,
                           m_Grid->horizontalHeader()->height() +
                               m_Grid->verticalHeader()->length() + frame);

    connect(m_Grid, &QTableWidget::cellClicked, this, &Standard::cellClicked);
    connect(&m_runner, &SetupRunner::busyChanged, this, &Standard::showBusy);
    showBusy(m_runner.busy());
}

void Standard::showHint() {
    m_dialogs.message(
        this, {QStringLiteral("Click a country to set up criterion level and exchange rate. "),
               dialogs::Buttons::Ok,
               dialogs::Icon::None,
               {}});
}

void Standard::cellClicked(int row, int column) {
    if (column == 0)
        loadCountry(row);
}

void Standard::loadCountry(int row) {
    if (row < 0 || row >= kStandardCount || m_runner.busy())
        return;
    if (m_runner.meterLink().state().KeyLocked) {
        m_dialogs.message(this, {QString::fromLatin1(kKeyLockedText),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Critical,
                                 {}});
        return;
    }
    const SetupRequest request = StandardRequest(Standards()[static_cast<size_t>(row)]);
    m_transferMine =
        m_runner.start(request, this, [this](const SetupResult& result) { finished(result); });
}

void Standard::closeEvent(QCloseEvent* event) {
    if (m_transferMine && m_runner.busy() && m_runner.meterLink().isRunning()) {
        m_runner.cancel();
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Standard::showBusy(bool busy) {
    m_Grid->setEnabled(!busy);
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void Standard::finished(const SetupResult& result) {
    m_transferMine = false;
    m_dialogs.message(this, {ResultMessage(result),
                             dialogs::Buttons::Ok,
                             result.success ? dialogs::Icon::None : dialogs::Icon::Exclamation,
                             {}});
    if (m_closeWhenDone)
        close();
}

} // namespace nd::setup
