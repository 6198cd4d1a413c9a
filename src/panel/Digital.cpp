#include "Digital.h"

#include "Analog.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace nd::panel {

namespace {
// Sized for the widest text a level can take, so the digits keep their size as the
// reading changes.
const QString kWidestSample = QStringLiteral("888.8");
constexpr int kSmallestPixelSize = 8;
} // namespace

Digital::Digital(std::function<QString()> valueText, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_valueText(std::move(valueText)) {
    setObjectName(QStringLiteral("Digital"));
    setWindowTitle(QStringLiteral("Digital"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_LblValue = new QLabel(QStringLiteral("140.0"), this);
    m_LblValue->setObjectName(QStringLiteral("LblValue"));
    m_LblValue->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_LblValue->setLineWidth(2);
    m_LblValue->setAlignment(Qt::AlignCenter);
    m_LblValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_Label1 = new QLabel(QStringLiteral("dBA"), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    QFont unitFont = m_Label1->font();
    unitFont.setBold(true);
    unitFont.setPointSizeF(unitFont.pointSizeF() * 1.6);
    m_Label1->setFont(unitFont);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_LblValue, 1);
    layout->addWidget(m_Label1);
    resize(380, 150);
    PlaceWindow(*this, mainWindow);

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_Timer1, &QTimer::timeout, this, &Digital::refresh);
    m_Timer1->start(kDisplayRefreshMs);
}

void Digital::refresh() {
    if (m_valueText)
        m_LblValue->setText(m_valueText());
}

int Digital::fittingPixelSize(QFont font, const QString& sample, QSize box) {
    auto fits = [&](int size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        return metrics.horizontalAdvance(sample) <= box.width() && metrics.height() <= box.height();
    };
    int smallest = kSmallestPixelSize;
    int largest = std::max(kSmallestPixelSize, box.height());
    while (smallest < largest) {
        const int middle = (smallest + largest + 1) / 2;
        if (fits(middle))
            smallest = middle;
        else
            largest = middle - 1;
    }
    return smallest;
}

void Digital::fitFont() {
    QFont font = m_LblValue->font();
    font.setBold(true);
    const QSize inside = m_LblValue->contentsRect().size() * 0.9;
    font.setPixelSize(fittingPixelSize(font, kWidestSample, inside));
    m_LblValue->setFont(font);
}

void Digital::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFont();
}

void Digital::closeEvent(QCloseEvent* event) {
    RememberPlace(*this);
    emit closed();
    event->accept();
}

} // namespace nd::panel
