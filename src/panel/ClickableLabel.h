#pragma once

#include <QGroupBox>
#include <QLabel>

namespace nd::panel {

/// A caption that reacts to a click, as the panel's value captions do.
class ClickableLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

/// A framed panel with a caption that reacts to a click anywhere on it.
class CaptionPanel final : public QGroupBox {
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace nd::panel
