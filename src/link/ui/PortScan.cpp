#include "PortScan.h"

#include "link/PortNames.h"
#include "link/SerialPort.h"

#include <QComboBox>
#include <QProgressBar>

namespace nd::link::ui {

link::OpenError ProbeByOpening(const QString& device) {
    link::SerialPort port(device);
    const link::OpenResult result = port.open();
    port.close();
    return result.error;
}

bool PortExists(link::OpenError error) {
    return error == link::OpenError::None || error == link::OpenError::Busy;
}

QStringList ScanPortTexts(const OpenProbe& probe, const ScanProgress& progress) {
    QStringList found;
    for (int n = link::kFirstComPort; n <= link::kLastComPort; ++n) {
        if (progress)
            progress(n);
        if (PortExists(probe(link::deviceForComNumber(n))))
            found << link::comListText(n);
    }
    return found;
}

void ScanPorts(QComboBox& list, QProgressBar& progressBar, const OpenProbe& probe) {
    progressBar.setRange(0, link::kLastComPort);
    list.clear();
    const QStringList found = ScanPortTexts(probe, [&progressBar](int n) {
        progressBar.setValue(n);
        // Opening a port can take a moment; let the bar show where the scan is.
        progressBar.repaint();
    });
    list.addItems(found);
}

} // namespace nd::link::ui
