#include "PortNames.h"

#include <QFileInfo>

namespace nd::link {

namespace {
struct DeviceRange {
    int firstCom;
    int count;
    const char* prefix;
};
constexpr DeviceRange kRanges[] = {
    {1, 4, "/dev/ttyS"},
    {5, 8, "/dev/ttyUSB"},
    {13, 4, "/dev/ttyACM"},
};
} // namespace

QString comListText(int number) {
    return QStringLiteral("COM  %1").arg(number);
}

QStringList comListTexts() {
    QStringList texts;
    for (int n = kFirstComPort; n <= kLastComPort; ++n)
        texts << comListText(n);
    return texts;
}

int comNumberFromText(const QString& text) {
    if (text == QLatin1String("Auto"))
        return 1;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (text == comListText(n))
            return n;
    }
    return 0;
}

QString deviceForComNumber(int number) {
    for (const DeviceRange& range : kRanges) {
        if (number >= range.firstCom && number < range.firstCom + range.count)
            return QString::fromLatin1(range.prefix) + QString::number(number - range.firstCom);
    }
    return {};
}

int comNumberForDevice(const QString& device) {
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (deviceForComNumber(n) == device)
            return n;
    }
    return 0;
}

QString deviceForChoice(const QString& text) {
    const int number = comNumberFromText(text);
    if (number > 0)
        return deviceForComNumber(number);
    if (text.startsWith(QLatin1Char('/')))
        return text;
    return {};
}

QString linkCaptionForDevice(const QString& device) {
    const int number = comNumberForDevice(device);
    if (number > 0)
        return QStringLiteral("COM%1").arg(number);
    if (device.startsWith(QLatin1String("/dev/")))
        return device.mid(5);
    return QFileInfo(device).fileName();
}

} // namespace nd::link
