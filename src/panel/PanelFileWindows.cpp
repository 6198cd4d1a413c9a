// The main window's commands that open the stored-data and report windows: a saved file
// (with its plot and report), the logged memory, and the task-based assessment. They live
// in their own folders; the panel only opens them.
#include "Panel.h"
#include "RecordingControls.h"
#include "WindowPlacement.h"
#include "archive/ui/ArchiveHooks.h"
#include "realtime/ui/Plot.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"
#include "stored/ui/ExposurePanel.h"
#include "stored/ui/FileList.h"
#include "stored/ui/Memory.h"

namespace nd::panel {

void Panel::openSavedFile() {
    if (m_programState.Recording)
        return;
    auto* window = stored::ui::FileList::open(
        m_dialogs, this, [this] { return stored::ui::ExposurePanel::settingsOf(&meterState()); });
    if (!window)
        return;
    if (m_fileList)
        m_fileList->close();
    m_fileList = window;
    connect(window, &stored::ui::FileList::plotRequested, window,
            [this, window](const stored::LevelList& list) {
                const bool placed = window->findChild<realtime::ui::Plot*>();
                auto* plot =
                    realtime::ui::Plot::showList(list, window->windowTitle(), m_dialogs, window);
                if (!placed)
                    PlaceBeside(*plot, this);
            });
    connect(window, &stored::ui::FileList::reportRequested, window,
            [this, window](const stored::LevelList& list) {
                auto* report = report::ui::ReportWindow::forFile(list, window->sourcePath(),
                                                                 m_dialogs, window);
                PlaceWindow(*report, window);
                report->show();
            });
    PlaceWindow(*window, this);
    window->show();
}

void Panel::openAssessment() {
    if (!m_assessment) {
        auto* assessment = new report::ui::AssessmentWindow(m_dialogs, this);
        if (m_archiveHooks) // archive numbers in a plan, "Add from archive…"
            assessment->setArchiveLocation(m_archiveHooks->location());
        m_assessment = assessment;
        PlaceWindow(*m_assessment, this);
    }
    m_assessment->show();
    m_assessment->raise();
}

void Panel::downloadMemory() {
    if (m_programState.TransferBusy || !m_link)
        return;
    if (!m_memory) {
        m_memory = new stored::ui::Memory(*m_link, m_dialogs, this);
        PlaceWindow(*m_memory, this);
        connect(m_memory, &stored::ui::Memory::transferBusyChanged, this,
                [this](bool busy) { m_programState.TransferBusy = busy; });
        m_memory->setRecordingFile([this] { return m_recording->activeFile(); });
        archiveFrom(m_memory);
    }
    m_memory->download();
}

} // namespace nd::panel
