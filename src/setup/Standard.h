#pragma once

#include <QWidget>

class QTableWidget;

namespace nd::dialogs {
class Dialogs;
}

namespace nd::setup {

class SetupRunner;
struct SetupResult;

/// The "Occupational Noise Exposure Standard" window: the national rules as a table; a
/// click on a country's name loads its criterion level and exchange rate into the meter.
class Standard final : public QWidget {
    Q_OBJECT

public:
    Standard(SetupRunner& runner, dialogs::Dialogs& dialogs, QWidget* parent = nullptr);

    /// "Click a country to set up criterion level and exchange rate. "
    void showHint();
    /// Loads the country of a table row (0 for the first country).
    void loadCountry(int row);

protected:
    /// Closing during this window's load abandons it first (see Setup::closeEvent).
    void closeEvent(QCloseEvent* event) override;

private:
    void cellClicked(int row, int column);
    void showBusy(bool busy);
    void finished(const SetupResult& result);

    SetupRunner& m_runner;
    dialogs::Dialogs& m_dialogs;
    QTableWidget* m_Grid = nullptr;
    bool m_transferMine = false;
    bool m_closeWhenDone = false;
};

} // namespace nd::setup
