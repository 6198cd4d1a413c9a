#include "Analog.h"

#include "NeedleMeter.h"
#include "link/MeterLink.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace nd::panel {

QPoint PositionBesideMainWindow(const QWidget& mainWindow) {
    const QRect frame = mainWindow.frameGeometry();
    return {frame.x() + frame.width(), frame.y()};
}

double AnalogNeedleValue(const link::MeterState& state) {
    const QString digits = state.Digit1 + state.Digit2 + state.Digit3 + state.Digit4;
    if (digits == QLatin1String(" OL "))
        return kOverRangeNeedleValue;
    return state.DisplayNumber / 10.0;
}

Analog::Analog(const link::MeterLink& link, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_link(link) {
    setObjectName(QStringLiteral("Analog"));
    setWindowTitle(QStringLiteral("Analog"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_TopMeter = new NeedleMeter(this);
    m_TopMeter->setObjectName(QStringLiteral("TopMeter"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_TopMeter);
    resize(300, 300);
    if (mainWindow)
        move(PositionBesideMainWindow(*mainWindow));

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_Timer1, &QTimer::timeout, this, &Analog::refresh);
    m_Timer1->start(kDisplayRefreshMs);
    refresh();
}

void Analog::refresh() {
    m_TopMeter->setValue(AnalogNeedleValue(m_link.state()));
}

void Analog::closeEvent(QCloseEvent* event) {
    emit closed();
    event->accept();
}

} // namespace nd::panel
