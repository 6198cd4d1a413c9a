#pragma once

#include "PortScan.h"

#include <QString>

#include <optional>
#include <vector>

namespace nd::link::ui {

/// What the system tells about one serial device.
struct SerialDeviceInfo {
    QString name;     ///< "ttyUSB0"
    QString location; ///< "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};

/// One line of the serial device view, every cell as shown.
struct DeviceRow {
    QString name;
    QString device;
    QString comText; ///< "COM  5", or empty when the device has no COM number
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString vendorId;  ///< four hex digits, or empty
    QString productId; ///< four hex digits, or empty
    QString status;    ///< "free", "busy", "no access", "missing" or "unknown"
};

/// The serial devices the system knows of right now.
std::vector<SerialDeviceInfo> SystemSerialDevices();

/// Rows for the view: ports with a COM number first in COM order, then the rest by
/// device path. The probe tells whether each device is free or taken.
std::vector<DeviceRow> DeviceRows(const std::vector<SerialDeviceInfo>& devices,
                                  const OpenProbe& probe);

/// The words shown for a probe's answer.
QString DeviceStatusText(link::OpenError error);

} // namespace nd::link::ui
