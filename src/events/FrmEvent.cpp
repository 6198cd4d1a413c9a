#include "FrmEvent.h"

#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace nd::events {

namespace {
/// Column widths of the grid: 2680 and 1200 twips at 15 twips a pixel.
constexpr int kHeadingColumnWidth = 179;
constexpr int kBankColumnWidth = 80;

template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(Qt::AlignCenter);
    item->setBackground(QApplication::palette().button());
    return item;
}

std::vector<int> allBanks() {
    return {1, 2, 3, 4, 5};
}
} // namespace

FrmEvent::FrmEvent(link::MeterLink& link, dialogs::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_link(link), m_dialogs(dialogs),
      m_cancel(std::make_shared<std::atomic<bool>>(false)) {
    setObjectName(QStringLiteral("FrmEvent"));
    setWindowTitle(QStringLiteral("Event"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    buildGrid();
    buildBankPanel();
    layout->addWidget(m_Grid);
    // The bank panel floats over the grid's right-hand columns while it is shown.
    m_PicBank->setParent(central);
    m_PicBank->setAutoFillBackground(true);
    layout->addWidget(buildBoxes());
    m_SSPercent = named(new QProgressBar, QStringLiteral("SSPercent"));
    m_SSPercent->setRange(0, 100);
    QSizePolicy keepPlace = m_SSPercent->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true); // the window does not jump when it shows
    m_SSPercent->setSizePolicy(keepPlace);
    m_SSPercent->hide();
    layout->addWidget(m_SSPercent);
    setCentralWidget(central);
    buildMenusAndToolbar();
}

FrmEvent::~FrmEvent() {
    // A read still on the link stops before its next bank.
    m_cancel->store(true);
}

void FrmEvent::buildGrid() {
    m_Grid = named(new QTableWidget(kBankRows + 1, kBankCount + 1), QStringLiteral("Grid"));
    m_Grid->horizontalHeader()->hide();
    m_Grid->verticalHeader()->hide();
    m_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_Grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_Grid->setFocusPolicy(Qt::NoFocus);
    m_Grid->setItem(0, 0, fixedItem({}));
    m_Grid->setColumnWidth(0, kHeadingColumnWidth);
    for (int bank = 1; bank <= kBankCount; ++bank) {
        m_Grid->setItem(0, bank, fixedItem(ColumnHeading(bank)));
        m_Grid->setColumnWidth(bank, kBankColumnWidth);
    }
    for (int row = 1; row <= kBankRows; ++row) {
        m_Grid->setItem(row, 0, fixedItem(RowHeading(row)));
        for (int bank = 1; bank <= kBankCount; ++bank) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignCenter);
            m_Grid->setItem(row, bank, item);
        }
    }
    m_Grid->resizeRowsToContents();
    int width = 2 * m_Grid->frameWidth();
    for (int c = 0; c <= kBankCount; ++c)
        width += m_Grid->columnWidth(c);
    int height = 2 * m_Grid->frameWidth();
    for (int r = 0; r <= kBankRows; ++r)
        height += m_Grid->rowHeight(r);
    m_Grid->setFixedSize(width, height);
    m_Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_Grid, &QTableWidget::cellClicked, this, &FrmEvent::gridClicked);
}

QWidget* FrmEvent::buildBoxes() {
    auto* boxes = new QWidget;
    auto* grid = new QGridLayout(boxes);
    grid->setContentsMargins(0, 0, 0, 0);
    int line = 0;
    for (auto [label, box, caption, name] :
         {std::tuple{QStringLiteral("LblName"), &m_TxtName, QStringLiteral("Name:"),
                     QStringLiteral("TxtName")},
          std::tuple{QStringLiteral("LblAddress"), &m_TxtAddress, QStringLiteral("Address:"),
                     QStringLiteral("TxtAddress")},
          std::tuple{QStringLiteral("LblCompany"), &m_TxtCompany, QStringLiteral("Company:"),
                     QStringLiteral("TxtCompany")}}) {
        grid->addWidget(named(new QLabel(caption), label), line, 0);
        QLineEdit* edit = named(new QLineEdit, name);
        *box = edit;
        // Typed or pasted, a tab or comma would split the field when the file is read.
        connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
            const QString clean = BoxText(text);
            if (clean == text)
                return;
            const int cursor =
                edit->cursorPosition() - static_cast<int>(text.size() - clean.size());
            edit->setText(clean);
            edit->setCursorPosition(std::max(0, cursor));
        });
        grid->addWidget(edit, line++, 1);
    }
    return boxes;
}

void FrmEvent::buildBankPanel() {
    m_PicBank = named(new QGroupBox, QStringLiteral("PicBank"));
    auto* layout = new QVBoxLayout(m_PicBank);
    for (int i = 0; i <= kBankCount; ++i) {
        const QString caption = i == 0 ? QStringLiteral("E1 - E5") : QStringLiteral("E%1").arg(i);
        m_Bk[static_cast<std::size_t>(i)] =
            named(new QRadioButton(caption), QStringLiteral("Bk%1").arg(i));
        layout->addWidget(m_Bk[static_cast<std::size_t>(i)]);
    }
    m_Bk[0]->setChecked(true);
    auto* ok = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("CmdOK"));
    auto* cancel = named(new QPushButton(QStringLiteral("Cancel")), QStringLiteral("CmdCancel"));
    layout->addWidget(ok);
    layout->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &FrmEvent::readFromPanel);
    connect(cancel, &QPushButton::clicked, m_PicBank, &QWidget::hide);
    m_PicBank->hide();
}

void FrmEvent::buildMenusAndToolbar() {
    auto action = [this](QWidget* owner, const QString& name, const QString& text) {
        QAction* a = named(new QAction(text, this), name);
        owner->addAction(a);
        return a;
    };
    QMenu* file = named(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("MnuFile"));
    connect(action(file, QStringLiteral("MnuSave"), QStringLiteral("&Save")), &QAction::triggered,
            this, [this] { save(BankLayout::Menu); });
    connect(action(file, QStringLiteral("MnuOpen"), QStringLiteral("&Open")), &QAction::triggered,
            this, &FrmEvent::open);
    QMenu* bank = named(menuBar()->addMenu(QStringLiteral("&Bank")), QStringLiteral("MnuBank"));
    connect(action(bank, QStringLiteral("MnuAll"), QStringLiteral("E1-E5")), &QAction::triggered,
            this, &FrmEvent::readAllFromMenu);
    for (int n = 1; n <= kBankCount; ++n)
        connect(action(bank, QStringLiteral("MnuEn%1").arg(n), QStringLiteral("E%1").arg(n)),
                &QAction::triggered, this, [this, n] { readOneFromMenu(n); });
    QAction* printMenu =
        named(menuBar()->addAction(QStringLiteral("&Print")), QStringLiteral("MnuPrint"));
    connect(printMenu, &QAction::triggered, this, &FrmEvent::print);

    m_Toolbar1 = named(addToolBar(QStringLiteral("Toolbar1")), QStringLiteral("Toolbar1"));
    m_Toolbar1->setMovable(false);
    m_Toolbar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [this](const QString& key, const QString& tip, QStyle::StandardPixmap icon) {
        QAction* a = named(m_Toolbar1->addAction(style()->standardIcon(icon), key), key);
        a->setToolTip(tip);
        return a;
    };
    connect(button(QStringLiteral("Save"), QStringLiteral("Save As"), QStyle::SP_DialogSaveButton),
            &QAction::triggered, this, [this] { save(BankLayout::Toolbar); });
    connect(
        button(QStringLiteral("Open"), QStringLiteral("Open File"), QStyle::SP_DialogOpenButton),
        &QAction::triggered, this, &FrmEvent::open);
    connect(
        button(QStringLiteral("Bank"), QStringLiteral("Bank"), QStyle::SP_FileDialogDetailedView),
        &QAction::triggered, this, &FrmEvent::showBankPanel);
    connect(button(QStringLiteral("Print"), QStringLiteral("Print"), QStyle::SP_FileIcon),
            &QAction::triggered, this, &FrmEvent::print);
}

void FrmEvent::showBankPanel() {
    m_PicBank->adjustSize();
    const QRect grid = m_Grid->geometry();
    m_PicBank->move(grid.right() - m_PicBank->width() - kBankColumnWidth / 2, grid.top() + 4);
    m_PicBank->raise();
    m_PicBank->show();
}

// ---------------------------------------------------------------- reading banks

bool FrmEvent::linkBusy() const {
    return m_link.state().LinkBusy;
}

void FrmEvent::readAllFromMenu() {
    if (linkBusy() || m_reading)
        return;
    startRead(allBanks(), BankCommand::MenuAll, true);
}

void FrmEvent::readOneFromMenu(int bank) {
    if (linkBusy() || m_reading)
        return;
    startRead({bank}, BankCommand::One, true);
}

void FrmEvent::readFromPanel() {
    m_PicBank->hide();
    if (m_reading)
        return;
    if (m_Bk[0]->isChecked()) {
        startRead(allBanks(), BankCommand::PanelAll, true);
        return;
    }
    for (int n = 1; n <= kBankCount; ++n)
        if (m_Bk[static_cast<std::size_t>(n)]->isChecked())
            startRead({n}, BankCommand::One, true);
}

void FrmEvent::gridClicked(int /*row*/, int column) {
    m_PicBank->hide();
    // Column 0 holds the headings: it is no bank.
    if (column < 1 || column > kBankCount || linkBusy() || m_reading)
        return;
    startRead({column}, BankCommand::One, false);
}

void FrmEvent::startRead(std::vector<int> banks, BankCommand command, bool showProgress) {
    m_reading = true;
    m_pending = {banks.begin(), banks.end()};
    m_readNow = {};
    m_readComplete = true;
    m_SSPercent->setValue(0);
    m_SSPercent->setVisible(showProgress);
    // Results travel to the GUI thread through the link object, which lives there; the
    // window may have closed by the time they arrive.
    QPointer<FrmEvent> self(this);
    link::MeterLink* linkObject = &m_link;
    auto post = [self, linkObject](std::function<void(FrmEvent&)> apply) {
        QMetaObject::invokeMethod(
            linkObject,
            [self, apply = std::move(apply)] {
                if (self)
                    apply(*self);
            },
            Qt::QueuedConnection);
    };
    auto work = [banks = std::move(banks), command, post, cancel = m_cancel](link::Meter& meter) {
        ReadBanks(
            meter, banks, command,
            [post](int percent) {
                post([percent](FrmEvent& w) { w.m_SSPercent->setValue(percent); });
            },
            [post](const BankResult& result) {
                post([result](FrmEvent& w) { w.showBank(result); });
            },
            cancel.get());
    };
    auto done = [self](link::JobOutcome outcome) {
        if (self)
            self->readEnded(outcome);
    };
    m_link.submit({QStringLiteral("event banks"), work, done});
}

void FrmEvent::showBank(const BankResult& result) {
    m_pending.erase(result.Bank);
    if (result.state == BankResult::State::Read) {
        m_unsavedBanks.insert(result.Bank);
        m_readNow.Banks.at(static_cast<std::size_t>(result.Bank - 1)) = result.Column;
    } else if (result.state == BankResult::State::Unreadable && m_reading) {
        m_readComplete = false;
    }
    for (int row = 1; row <= kBankRows; ++row)
        m_Grid->item(row, result.Bank)->setText(result.Column[static_cast<std::size_t>(row - 1)]);
}

void FrmEvent::readEnded(link::JobOutcome outcome) {
    // Banks the link never got to (the port went away, or the program is closing) say so
    // rather than keep figures that may be another event's.
    if (outcome != link::JobOutcome::Done)
        for (int bank : std::set<int>(m_pending))
            showBank({bank, BankResult::State::Unreadable, {}, UnreadableColumn()});
    m_pending.clear();
    m_reading = false;
    m_SSPercent->hide();
    emit readFinished(m_readNow, m_readComplete);
}

// ---------------------------------------------------------------- files and printing

BankTable FrmEvent::table() const {
    BankTable t;
    for (int row = 1; row <= kBankRows; ++row)
        for (int bank = 1; bank <= kBankCount; ++bank)
            t.cell(row, bank) = m_Grid->item(row, bank)->text();
    t.Name = m_TxtName->text();
    t.Address = m_TxtAddress->text();
    t.Company = m_TxtCompany->text();
    return t;
}

void FrmEvent::showTable(const BankTable& t) {
    for (int row = 1; row <= kBankRows; ++row)
        for (int bank = 1; bank <= kBankCount; ++bank)
            m_Grid->item(row, bank)->setText(t.cell(row, bank));
    m_TxtName->setText(t.Name);
    m_TxtAddress->setText(t.Address);
    m_TxtCompany->setText(t.Company);
}

void FrmEvent::refuse(const QString& text) {
    m_dialogs.message(this, {text, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
}

bool FrmEvent::save(BankLayout layout) {
    // The save dialog itself asks before an existing file is replaced.
    const auto chosen = m_dialogs.saveFile(this, QStringLiteral("Save As"), kBankFileFilter);
    if (!chosen)
        return false;
    const QString& path = chosen->path;
    const BankTable filled = FillEmptyCells(table(), layout);
    if (const auto error = SaveBankFile(path, filled, layout)) {
        refuse(QStringLiteral("The bank file could not be saved:\r\n%1\r\n%2").arg(path, *error));
        return false;
    }
    showTable(filled);
    m_unsavedBanks.clear();
    return true;
}

QString FrmEvent::unsavedWork() const {
    if (m_unsavedBanks.empty())
        return {};
    QStringList banks;
    for (const int bank : m_unsavedBanks)
        banks << QStringLiteral("E%1").arg(bank);
    return QStringLiteral("Event: bank%1 %2 read from the meter")
        .arg(banks.size() > 1 ? "s" : "", banks.join(QStringLiteral(", ")));
}

bool FrmEvent::saveUnsavedWork() {
    return save(BankLayout::Menu);
}

void FrmEvent::open() {
    if (m_reading) {
        refuse(
            QStringLiteral("Banks are being read from the meter; open the file when they are in."));
        return;
    }
    const auto path = m_dialogs.openFile(this, QStringLiteral("Open File"), kBankFileFilter);
    if (!path)
        return;
    const BankFileRead read = OpenBankFile(*path);
    if (!read.table) {
        refuse(QStringLiteral("%1 is not a bank file (%2).\r\nThe table is unchanged.")
                   .arg(*path, read.error));
        return;
    }
    showTable(*read.table);
    m_unsavedBanks.clear();
    if (!read.leftOut.isEmpty())
        refuse(read.leftOut);
}

void FrmEvent::print() {
    const auto printer = m_dialogs.print(this);
    if (!printer)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int copies = std::max(1, printer->copyCount());
    printer->setCopyCount(1); // each copy is sent below, once
    // The whole window as it stands, without its toolbar, on the orientation chosen.
    m_Toolbar1->hide();
    layout()->activate();
    const QImage image = grab().toImage();
    m_Toolbar1->show();
    QPainter painter;
    const bool printed = painter.begin(printer.get());
    if (printed) {
        const QSize page = painter.viewport().size();
        const QSize fitted = image.size().scaled(page, Qt::KeepAspectRatio);
        for (int copy = 0; copy < copies; ++copy) {
            if (copy > 0)
                printer->newPage();
            painter.drawImage(QRect(QPoint(0, 0), fitted), image);
        }
        painter.end();
    }
    QApplication::restoreOverrideCursor();
    if (!printed)
        refuse(QStringLiteral("The printer could not be started."));
}

void FrmEvent::closeEvent(QCloseEvent* event) {
    m_cancel->store(true);
    emit closed();
    event->accept();
}

} // namespace nd::events
