// The main window's side of the archive: the File menu's items, and what the Memory,
// Event and Average windows and the recording hand to it.

#include "Panel.h"
#include "RecordingControls.h"
#include "WindowPlacement.h"
#include "archive/ui/ArchiveHooks.h"
#include "events/FrmEvent.h"
#include "realtime/ui/Average.h"
#include "stored/LoggedMemory.h"
#include "stored/ui/Memory.h"

#include <QMenu>

namespace nd::panel {

void Panel::buildArchiveItems() {
    m_archiveHooks = new archive::ui::ArchiveHooks(m_dialogs, this);
    m_archiveHooks->addMenuItems(m_MnuFile, m_MnuExit);
    m_archiveHooks->setPlacer([this](QWidget& window) { PlaceWindow(window, this); });
    m_archiveHooks->setBankOpener([this](const events::BankTable& table, const QString&) {
        showEvents();
        if (m_events)
            m_events->showTable(table);
    });
}

void Panel::archiveFrom(stored::ui::Memory* memory) {
    connect(memory, &stored::ui::Memory::downloadEnded, this, [this, memory](bool ok) {
        if (!ok)
            return;
        const stored::LoggedMemory& m = memory->memory();
        for (const stored::LoggedSet& set : m.sets) {
            if (set.damaged())
                continue;
            stored::LevelList list = stored::listSet(set);
            list.notes[0] = QStringLiteral("ID code %1; set %2 of %3")
                                .arg(m.idCode)
                                .arg(set.number)
                                .arg(m.setCount);
            m_archiveHooks->keepLevelList(
                archive::Kind::Logged, list,
                QStringLiteral("set %1, %2 %3").arg(set.number).arg(set.dateText, set.timeText));
        }
    });
}

void Panel::archiveFrom(events::FrmEvent* events) {
    // Only a read the meter fully answered is a measurement; a bank that failed would
    // keep an "Unreadable" column, and banks shown from a file are not this read's.
    connect(events, &events::FrmEvent::readFinished, this,
            [this](const events::BankTable& read, bool complete) {
                if (complete)
                    m_archiveHooks->keep(archive::fromBankTable(read, QStringLiteral("banks")));
            });
}

void Panel::archiveFrom(realtime::ui::Average* average) {
    connect(average, &realtime::ui::Average::saved, this,
            [this](const realtime::AverageFile& file, const QString& name) {
                m_archiveHooks->keep(archive::fromAverageFile(file, name));
            });
}

void Panel::archiveFrom(RecordingControls* recording) {
    connect(recording, &RecordingControls::recordingEnded, this, [this](const QString& path) {
        m_archiveHooks->keepRecordingFile(path, m_link ? &m_link->state() : nullptr);
    });
}

} // namespace nd::panel
