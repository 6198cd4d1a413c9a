#include "CellInput.h"

namespace nd::panel {

std::optional<int> CellNumber(const QString& text, int maximum) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    bool ok = false;
    const qulonglong number = trimmed.toULongLong(&ok);
    if (!ok || number > static_cast<qulonglong>(maximum))
        return std::nullopt;
    return static_cast<int>(number);
}

} // namespace nd::panel
