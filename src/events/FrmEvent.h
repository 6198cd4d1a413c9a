#pragma once

#include "BankFile.h"
#include "BankReader.h"
#include "dialogs/UnsavedWork.h"

#include <QMainWindow>

#include <atomic>
#include <memory>
#include <set>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QToolBar;

namespace nd::dialogs {
class Dialogs;
}
namespace nd::link {
class MeterLink;
enum class JobOutcome;
} // namespace nd::link

namespace nd::events {

/// The "Event" window: the meter's five dose event banks side by side, read one or all
/// at a time as link jobs, with the name, address and company of the person measured;
/// saved to and opened from .bnk files, and printed.
class FrmEvent final : public QMainWindow, public dialogs::UnsavedWork {
    Q_OBJECT

public:
    FrmEvent(link::MeterLink& link, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);
    ~FrmEvent() override;

    /// The grid's bank cells and the three boxes.
    BankTable table() const;
    /// True while a bank read is on the link.
    bool reading() const { return m_reading; }

    // The window's commands, as its menus, toolbar, bank panel and grid run them.
    void readAllFromMenu();
    void readOneFromMenu(int bank);
    void readFromPanel();
    void gridClicked(int row, int column);
    /// False when nothing was written (cancelled or failed).
    bool save(BankLayout layout);
    void open();
    void print();
    /// Shows a table (a file's, or one from the archive).
    void showTable(const BankTable& table);

    /// Banks read from the meter since the table was last saved or opened.
    QString unsavedWork() const override;
    bool saveUnsavedWork() override;

signals:
    /// A bank read ended (all its banks shown, or the link gave up). `read` holds the
    /// banks this read brought and nothing else; `complete` is false when one of them
    /// could not be read.
    void readFinished(const nd::events::BankTable& read, bool complete);
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildGrid();
    QWidget* buildBoxes();
    void buildBankPanel();
    void buildMenusAndToolbar();
    void showBankPanel();

    void startRead(std::vector<int> banks, BankCommand command, bool showProgress);
    void showBank(const BankResult& result);
    void readEnded(link::JobOutcome outcome);
    bool linkBusy() const;
    void refuse(const QString& text);

    link::MeterLink& m_link;
    dialogs::Dialogs& m_dialogs;
    bool m_reading = false;
    std::set<int> m_pending;
    BankTable m_readNow;
    bool m_readComplete = true;
    std::set<int> m_unsavedBanks;
    std::shared_ptr<std::atomic<bool>> m_cancel;

    QTableWidget* m_Grid = nullptr;
    QLineEdit* m_TxtName = nullptr;
    QLineEdit* m_TxtAddress = nullptr;
    QLineEdit* m_TxtCompany = nullptr;
    QProgressBar* m_SSPercent = nullptr;
    QGroupBox* m_PicBank = nullptr;
    std::array<QRadioButton*, 6> m_Bk{};
    QToolBar* m_Toolbar1 = nullptr;
};

} // namespace nd::events
