#pragma once

#include "link/ui/PortScan.h"

#include <QMap>

namespace nd::link::ui::testing {

/// A machine whose only ports are the given devices, answering as given; every other
/// device is missing. Records each device it was asked about.
struct FakeProbe {
    QMap<QString, link::OpenError> answers;
    QStringList asked;

    OpenProbe probe() {
        return [this](const QString& device) {
            asked << device;
            return answers.value(device, link::OpenError::NotFound);
        };
    }
};

} // namespace nd::link::ui::testing
