#pragma once

#include <QString>

namespace nd::panel {

/// The program-wide values of the main panel, owned by Panel and handed to the windows
/// it opens. Window-open flags are set by Panel when it opens a window and cleared when
/// that window closes; while one is set, the command that opens the window does nothing.
struct ProgramState {
    bool Online = false;
    bool GraphOpen = false;
    bool ListRecording = false;
    bool AnalogOpen = false;
    bool DigitalOpen = false;
    bool AverageOpen = false;
    bool Recording = false;
    bool TransferBusy = false;
    bool FileChosen = false;
    QString RecordFileName;
    /// PC sample interval in tenths of a second.
    int SampleInterval = 20;
};

} // namespace nd::panel
