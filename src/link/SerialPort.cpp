#include "SerialPort.h"

#include <QFileInfo>
#include <QSerialPort>

#include <unistd.h>

namespace nd::link {

QString OpenResult::explanation() const {
    switch (error) {
    case OpenError::None:
        return {};
    case OpenError::NotFound:
        return QStringLiteral("%1 does not exist. Check that the meter's cable is plugged in, "
                              "or choose another port.")
            .arg(device.isEmpty() ? QStringLiteral("The port") : device);
    case OpenError::Busy:
        return QStringLiteral("%1 is in use by another program. Close that program and "
                              "start again.")
            .arg(device);
    case OpenError::PermissionDenied:
        return QStringLiteral("You have no permission to use %1. Add yourself to the "
                              "dialout group (sudo adduser $USER dialout), then log out "
                              "and in again.")
            .arg(device);
    case OpenError::Other:
        break;
    }
    return QStringLiteral("%1 could not be opened: %2").arg(device, detail);
}

OpenError precheckDevice(const QString& device) {
    if (device.isEmpty() || !QFileInfo::exists(device))
        return OpenError::NotFound;
    const QByteArray path = QFileInfo(device).canonicalFilePath().toLocal8Bit();
    if (::access(path.constData(), R_OK | W_OK) != 0)
        return OpenError::PermissionDenied;
    return OpenError::None;
}

SerialPort::SerialPort(QString device) : m_device(std::move(device)) {}

SerialPort::~SerialPort() {
    close();
}

OpenResult SerialPort::open() {
    OpenResult result{OpenError::None, m_device, {}};
    close();
    m_failed = false;
    result.error = precheckDevice(m_device);
    if (!result.ok())
        return result;

    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_device);
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (m_port->open(QIODevice::ReadWrite))
        return result;

    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        result.error = OpenError::NotFound;
        break;
    // Access was checked above, so a refusal now means another program holds the
    // port (its lock file or exclusive mode).
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        result.error = OpenError::Busy;
        break;
    default:
        result.error = OpenError::Other;
        result.detail = m_port->errorString();
        break;
    }
    m_port.reset();
    return result;
}

void SerialPort::close() {
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
}

bool SerialPort::isOpen() const {
    return m_port && m_port->isOpen();
}

void SerialPort::clearInput() {
    if (!isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->waitForReadyRead(0);
    m_port->readAll();
    noteError();
}

QByteArray SerialPort::readAll() {
    if (!isOpen())
        return {};
    // No event loop runs on the link thread: pull what the driver holds, without waiting.
    while (m_port->waitForReadyRead(0)) {
    }
    noteError();
    return m_port->readAll();
}

bool SerialPort::write(const QByteArray& bytes) {
    if (!isOpen())
        return false;
    const bool queued = m_port->write(bytes) == bytes.size();
    // Ten bytes at 9600 baud take about 10 ms; allow generously before judging the line.
    const bool sent = queued && m_port->waitForBytesWritten(200);
    noteError();
    return sent;
}

void SerialPort::noteError() {
    const auto error = m_port->error();
    if (error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError ||
        error == QSerialPort::ReadError || error == QSerialPort::WriteError)
        m_failed = true;
    if (error != QSerialPort::NoError)
        m_port->clearError();
}

} // namespace nd::link
