#include "Analog.h"

#include "NeedleMeter.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace nd::panel {

double AnalogNeedleValue(const QString& valueText) {
    if (valueText == QLatin1String("OL"))
        return kOverRangeNeedleValue;
    bool ok = false;
    const double value = valueText.toDouble(&ok);
    return ok ? value : kBlankNeedleValue;
}

Analog::Analog(std::function<ShownReading()> reading, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_reading(std::move(reading)) {
    setObjectName(QStringLiteral("Analog"));
    setWindowTitle(QStringLiteral("Analog"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_TopMeter = new NeedleMeter(this);
    m_TopMeter->setObjectName(QStringLiteral("TopMeter"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_TopMeter);
    resize(300, 300);
    PlaceWindow(*this, mainWindow);

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_Timer1, &QTimer::timeout, this, &Analog::refresh);
    m_Timer1->start(kDisplayRefreshMs);
    refresh();
}

void Analog::refresh() {
    if (!m_reading)
        return;
    const ShownReading shown = m_reading();
    m_TopMeter->setValue(AnalogNeedleValue(shown.value));
    m_TopMeter->setReadingText(shown.unit.isEmpty() ? shown.value
                                                    : shown.value + QLatin1Char(' ') + shown.unit);
}

void Analog::closeEvent(QCloseEvent* event) {
    RememberPlace(*this);
    emit closed();
    event->accept();
}

} // namespace nd::panel
