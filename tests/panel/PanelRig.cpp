#include "PanelRig.h"

namespace nd::test {

QString PanelRig::text(const QString& name) const {
    if (auto* edit = find<QLineEdit>(name))
        return edit->text();
    return find<QLabel>(name)->text();
}

} // namespace nd::test
