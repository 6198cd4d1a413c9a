#pragma once

#include <QString>
#include <QStringList>

namespace nd::link {

/// The program offers the meter's ports as "COM  1" to "COM  16", as its users know
/// them. On Linux each number stands for a fixed device:
///   COM 1 to 4   -> /dev/ttyS0 to /dev/ttyS3    (ports on the board)
///   COM 5 to 12  -> /dev/ttyUSB0 to /dev/ttyUSB7 (USB serial adapters)
///   COM 13 to 16 -> /dev/ttyACM0 to /dev/ttyACM3 (USB modem-class adapters)
/// A device path typed by the user is taken as it stands.
inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 16;

/// "COM  n" with the two spaces of the port list.
QString comListText(int number);
/// The 16 list entries in order.
QStringList comListTexts();

/// The exact mapping of the port window's OK: "Auto" and "COM  1" give 1, "COM  n"
/// gives n; anything else gives 0 (no port).
int comNumberFromText(const QString& text);

/// The device behind COM n, or an empty string outside 1 to 16.
QString deviceForComNumber(int number);
/// The COM number of a device path, or 0 when it is not one of the mapped devices.
int comNumberForDevice(const QString& device);

/// Whatever the user chose, as a device to open: a COM text or a device path.
/// Returns an empty string when the text names neither.
QString deviceForChoice(const QString& text);

/// The link caption once the meter answers: "COM3" for a mapped port, else the
/// device's own name.
QString linkCaptionForDevice(const QString& device);

} // namespace nd::link
