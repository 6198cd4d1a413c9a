#pragma once

#include "Port.h"

#include <memory>

class QSerialPort;

namespace nd::link {

/// The meter's port on a real serial device. Create and use it on one thread only
/// (the link thread): no event loop runs there, so reads poll the device themselves.
class SerialPort final : public Port {
public:
    explicit SerialPort(QString device);
    ~SerialPort() override;

    OpenResult open() override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    bool hasFailed() const override { return m_failed; }
    QString deviceName() const override { return m_device; }

private:
    void noteError();

    QString m_device;
    std::unique_ptr<QSerialPort> m_port;
    bool m_failed = false;
};

/// Tells why a device cannot be opened without opening it: missing, or not readable
/// and writable by this user. Returns OpenError::None when neither applies.
OpenError precheckDevice(const QString& device);

} // namespace nd::link
