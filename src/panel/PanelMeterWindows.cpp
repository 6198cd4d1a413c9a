// The main window's commands that open the meter's setup and keypad windows. They live in
// their own folders; the panel only opens them, one of each at a time.
#include "Panel.h"
#include "WindowPlacement.h"
#include "keypad/SLmPanel.h"
#include "setup/Setup.h"
#include "setup/SetupRunner.h"
#include "setup/Standard.h"

#include <QLabel>
#include <QTimer>

namespace nd::panel {

setup::SetupRunner* Panel::setupRunner() {
    // One runner per link: the Setup and Standard windows share it, so only one setup
    // transfer runs at a time, and it goes with the link.
    if (!m_setupRunner && m_link)
        m_setupRunner = new setup::SetupRunner(*m_link, m_link.get());
    return m_setupRunner;
}

void Panel::openSetup() {
    setup::SetupRunner* runner = setupRunner();
    if (!runner || m_shutDown)
        return;
    if (!m_setup) {
        m_setup = new setup::Setup(*runner, m_dialogs, this);
        m_setup->adjustSize();
        PlaceWindow(*m_setup, this);
    }
    m_setup->show();
    m_setup->raise();
}

void Panel::openStandard() {
    setup::SetupRunner* runner = setupRunner();
    if (!runner || m_shutDown)
        return;
    if (m_standard) {
        m_standard->raise();
        return;
    }
    m_standard = new setup::Standard(*runner, m_dialogs, this);
    m_standard->adjustSize();
    PlaceWindow(*m_standard, this);
    m_standard->show();
    // The hint comes once the table is on the screen.
    QTimer::singleShot(0, m_standard, &setup::Standard::showHint);
}

void Panel::openKeypad() {
    if (!m_link || m_shutDown)
        return;
    if (!m_keypad) {
        m_keypad = new keypad::SLmPanel(
            *m_link, m_dialogs, [this] { return m_LblValue->text(); }, this);
        m_keypad->adjustSize();
        PlaceWindow(*m_keypad, this);
    }
    m_keypad->show();
    m_keypad->raise();
}

void Panel::closeMeterWindows() {
    // Deleted at once: their timers must not outlive the state they read.
    delete m_setup.data();
    delete m_standard.data();
    delete m_keypad.data();
}

} // namespace nd::panel
