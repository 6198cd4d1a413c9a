#pragma once

#include <QByteArray>
#include <QString>

namespace nd::link {

/// The meter's line settings; the meter speaks nothing else.
inline constexpr char kPortSettings[] = "9600,n,8,1";

/// Why a port could not be opened, so the user can be told what to do about it.
enum class OpenError { None, NotFound, Busy, PermissionDenied, Other };

struct OpenResult {
    OpenError error = OpenError::None;
    QString device;
    QString detail; ///< the system's own words, for the "Other" case

    bool ok() const { return error == OpenError::None; }
    /// One or two sentences a person can act on.
    QString explanation() const;
};

/// The serial port as the protocol sees it. Reads never wait: they return what has
/// arrived so far. Every exchange is "write, pause, read" on top of this.
class Port {
public:
    virtual ~Port() = default;

    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    /// Drops every byte received and not yet read.
    virtual void clearInput() = 0;
    /// Returns every byte received and not yet read, possibly none.
    virtual QByteArray readAll() = 0;
    /// Sends the bytes unchanged; false when the port is closed or failed.
    virtual bool write(const QByteArray& bytes) = 0;

    /// True once the device itself has gone (an unplugged USB adapter, a hung-up line).
    virtual bool hasFailed() const = 0;
    virtual QString deviceName() const = 0;
};

} // namespace nd::link
