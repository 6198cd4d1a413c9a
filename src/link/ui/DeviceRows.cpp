#include "DeviceRows.h"

#include "link/PortNames.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace nd::link::ui {

namespace {

QString hexId(std::optional<quint16> id) {
    if (!id)
        return {};
    return QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0'));
}

DeviceRow rowFor(const SerialDeviceInfo& info, const OpenProbe& probe) {
    const int com = link::comNumberForDevice(info.location);
    return DeviceRow{info.name,
                     info.location,
                     com > 0 ? link::comListText(com) : QString(),
                     info.description,
                     info.manufacturer,
                     info.serialNumber,
                     hexId(info.vendorId),
                     hexId(info.productId),
                     DeviceStatusText(probe(info.location))};
}

/// Mapped ports sort by COM number ahead of every unmapped device.
bool listedBefore(const DeviceRow& a, const DeviceRow& b) {
    const int comA = link::comNumberForDevice(a.device);
    const int comB = link::comNumberForDevice(b.device);
    if ((comA > 0) != (comB > 0))
        return comA > 0;
    if (comA != comB)
        return comA < comB;
    return a.device < b.device;
}

} // namespace

std::vector<SerialDeviceInfo> SystemSerialDevices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info{port.portName(),
                              port.systemLocation(),
                              port.description(),
                              port.manufacturer(),
                              port.serialNumber(),
                              {},
                              {}};
        if (port.hasVendorIdentifier())
            info.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            info.productId = port.productIdentifier();
        devices.push_back(info);
    }
    return devices;
}

std::vector<DeviceRow> DeviceRows(const std::vector<SerialDeviceInfo>& devices,
                                  const OpenProbe& probe) {
    std::vector<DeviceRow> rows;
    rows.reserve(devices.size());
    for (const SerialDeviceInfo& info : devices)
        rows.push_back(rowFor(info, probe));
    std::stable_sort(rows.begin(), rows.end(), listedBefore);
    return rows;
}

QString DeviceStatusText(link::OpenError error) {
    switch (error) {
    case link::OpenError::None:
        return QStringLiteral("free");
    case link::OpenError::Busy:
        return QStringLiteral("busy");
    case link::OpenError::PermissionDenied:
        return QStringLiteral("no access");
    case link::OpenError::NotFound:
        return QStringLiteral("missing");
    case link::OpenError::Other:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace nd::link::ui
