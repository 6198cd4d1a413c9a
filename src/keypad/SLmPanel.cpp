#include "SLmPanel.h"

#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace nd::keypad {

namespace {

template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

/// The battery symbol with `picture` of its five bars filled (picture 0 is the outline).
QPixmap batteryPixmap(int picture, const QColor& ink) {
    QPixmap pixmap(34, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(ink);
    p.drawRect(0, 0, 30, 13);
    p.fillRect(31, 4, 3, 6, ink);
    for (int bar = 0; bar < picture && bar < kBatteryPictures - 1; ++bar)
        p.fillRect(2 + bar * 6, 2, 4, 10, ink);
    return pixmap;
}

const QString kLcdStyle = QStringLiteral(
    "#SSPanel1 { background: #b9c7a8; border: 2px solid #4a5240; border-radius: 6px; }"
    "#SSPanel1 QLabel { color: #1d2418; }");

} // namespace

SLmPanel::SLmPanel(link::MeterLink& link, dialogs::Dialogs& dialogs, ValueText valueText,
                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_link(link), m_dialogs(dialogs),
      m_valueText(std::move(valueText)) {
    setObjectName(QStringLiteral("SLmPanel"));
    setWindowTitle(QStringLiteral("Control Panel"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* menuBar = new QMenuBar(this);
    m_CmdLock = named(menuBar->addAction(QStringLiteral("Lock")), QStringLiteral("CmdLock"));
    // The lock is the meter's own; the program only mirrors it and sends nothing for it.
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(buildDisplay());
    layout->addWidget(buildKeys());

    m_Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    connect(m_Timer1, &QTimer::timeout, this, &SLmPanel::refresh);
    m_Timer1->start(kKeypadRefreshMs);
    // The keys follow a setup transfer's start and end at once, not at the next tick.
    connect(&m_link, &link::MeterLink::stateChanged, this, &SLmPanel::updateKeys);
    refresh();
}

QLabel* SLmPanel::symbol(const QString& name, const QString& text) {
    auto* label = named(new QLabel(text), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QWidget* SLmPanel::buildDisplay() {
    auto* panel = named(new QFrame, QStringLiteral("SSPanel1"));
    panel->setStyleSheet(kLcdStyle);
    auto* grid = new QGridLayout(panel);

    auto* top = new QHBoxLayout;
    m_LblTime = symbol(QStringLiteral("LblTime"), QStringLiteral("TIME"));
    m_ImgDoubleDot = symbol(QStringLiteral("ImgDoubleDot"), QStringLiteral(":"));
    m_ImgDash = symbol(QStringLiteral("ImgDash"), QStringLiteral("-"));
    m_LblPause = symbol(QStringLiteral("LblPause"), QStringLiteral("PAUSE"));
    m_ImgRun = symbol(QStringLiteral("ImgRun"), QStringLiteral("\u25B6"));
    m_LblMem = symbol(QStringLiteral("LblMem"), QStringLiteral("MEM"));
    m_ImgLoud = symbol(QStringLiteral("ImgLoud"), QStringLiteral("\u25C0)))"));
    m_LblPK = symbol(QStringLiteral("LblPK"), QStringLiteral("PK"));
    m_LblBank = symbol(QStringLiteral("LblBank"), QStringLiteral("E1"));
    m_ImgBattery = named(new QLabel, QStringLiteral("ImgBattery"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_LblTime, m_ImgDoubleDot, m_ImgDash, m_LblPause, m_ImgRun,
                                         m_LblMem, m_ImgLoud, m_LblPK})
        top->addWidget(w);
    top->addStretch();
    top->addWidget(m_LblBank);
    top->addWidget(m_ImgBattery);
    grid->addLayout(top, 0, 0, 1, 2);

    auto* valueRow = new QHBoxLayout;
    m_LblPoint1 = symbol(QStringLiteral("LblPoint1"), QStringLiteral("\u00B7"));
    m_LblPoint2 = symbol(QStringLiteral("LblPoint2"), QStringLiteral("\u00B7"));
    m_LblValue = named(new QLabel, QStringLiteral("LblValue"));
    QFont big = m_LblValue->font();
    big.setPointSizeF(big.pointSizeF() * 3.2);
    big.setBold(true);
    m_LblValue->setFont(big);
    m_LblValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_LblValue->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QStringLiteral("188.8")));
    auto* units = new QVBoxLayout;
    m_LblDose = symbol(QStringLiteral("LblDose"), QStringLiteral("%DOSE"));
    m_LbldBA = symbol(QStringLiteral("LbldBA"), QStringLiteral("dBA"));
    m_LblFast = symbol(QStringLiteral("LblFast"), QStringLiteral("F"));
    m_LblSlow = symbol(QStringLiteral("LblSlow"), QStringLiteral("S"));
    units->addWidget(m_LblDose);
    units->addWidget(m_LbldBA);
    auto* weighting = new QHBoxLayout;
    weighting->addWidget(m_LblFast);
    weighting->addWidget(m_LblSlow);
    units->addLayout(weighting);
    // The reading text carries its own decimal point (the display rules place it), so
    // the two point symbols stay off the face; their rule is kept in the display copy.
    m_LblPoint1->setParent(panel);
    m_LblPoint2->setParent(panel);
    m_LblPoint1->hide();
    m_LblPoint2->hide();
    valueRow->addWidget(m_LblValue, 1);
    valueRow->addLayout(units);
    grid->addLayout(valueRow, 1, 0);

    // The bar display and its fixed scale.
    auto* bar = new QHBoxLayout;
    auto* scale = new QVBoxLayout;
    for (int dB = 140; dB >= 70; dB -= 10) {
        auto* label = named(new QLabel(QString::number(dB)), QStringLiteral("BdB"));
        QFont small = label->font();
        small.setPointSizeF(small.pointSizeF() * 0.75);
        label->setFont(small);
        scale->addWidget(label);
    }
    m_LevelBar = named(new QProgressBar, QStringLiteral("LevelBar"));
    m_LevelBar->setOrientation(Qt::Vertical);
    m_LevelBar->setRange(700, 1400);
    m_LevelBar->setTextVisible(false);
    m_LevelBar->setMaximumWidth(12);
    bar->addLayout(scale);
    bar->addWidget(m_LevelBar);
    grid->addLayout(bar, 1, 1);
    return panel;
}

QWidget* SLmPanel::buildKeys() {
    auto* keys = new QWidget;
    auto* grid = new QGridLayout(keys);
    auto key = [this](const QString& name, const QString& caption, Key which) {
        auto* button = named(new QPushButton(caption), name);
        button->setMinimumHeight(32);
        connect(button, &QPushButton::clicked, this, [this, which] { press(which); });
        return button;
    };
    m_CmdMode = key(QStringLiteral("CmdMode"), QStringLiteral("MODE"), Key::Mode);
    m_CmdEvent = key(QStringLiteral("CmdEvent"), QStringLiteral("EVENT"), Key::Event);
    m_CmdReset = key(QStringLiteral("CmdReset"), QStringLiteral("RESET"), Key::Reset);
    m_CmdTime = key(QStringLiteral("CmdTime"), QStringLiteral("CLOCK"), Key::Clock);
    m_CmdRun = key(QStringLiteral("CmdRun"), QStringLiteral("RUN"), Key::Run);
    m_CmdPause = key(QStringLiteral("CmdPause"), QStringLiteral("PAUSE"), Key::Pause);
    grid->addWidget(m_CmdMode, 0, 0);
    grid->addWidget(m_CmdEvent, 0, 1);
    grid->addWidget(m_CmdReset, 0, 2);
    grid->addWidget(m_CmdTime, 1, 0);
    grid->addWidget(m_CmdRun, 1, 1);
    grid->addWidget(m_CmdPause, 1, 2);
    return keys;
}

void SLmPanel::refresh() {
    const link::MeterState& s = m_link.state();
    m_shown = CopyDisplay(s, m_shown);
    const DisplayCopy& c = m_shown;
    m_LblTime->setVisible(c.time);
    m_ImgDoubleDot->setVisible(c.time);
    m_ImgDash->setVisible(c.date);
    m_LblPause->setVisible(c.pause);
    m_CmdPause->setText(PauseCaption(s));
    m_ImgRun->setVisible(c.run);
    m_CmdRun->setText(RunCaption(s));
    m_CmdLock->setText(LockCaption(s));
    m_LblDose->setVisible(c.dose);
    m_LbldBA->setVisible(c.dba);
    m_LblMem->setVisible(c.mem);
    m_ImgLoud->setVisible(c.loud);
    m_LblPK->setVisible(c.peak);
    m_ImgBattery->setPixmap(batteryPixmap(c.battery, QColor(0x1d, 0x24, 0x18)));
    m_LblBank->setText(c.bank);
    m_LblBank->setVisible(c.bankVisible);
    m_LblValue->setText(m_valueText ? m_valueText() : link::DisplayValueText(s));
    m_LblFast->setVisible(c.fast);
    m_LblSlow->setVisible(!c.fast);
    m_LevelBar->setValue(c.dba ? static_cast<int>(s.DisplayNumber) : m_LevelBar->minimum());
    updateKeys();
}

void SLmPanel::updateKeys() {
    const link::MeterState& s = m_link.state();
    // During a setup transfer every key is refused, not queued for after it.
    const QString tip = s.SettingUp ? QString::fromLatin1(kSettingUpTip) : QString();
    for (QPushButton* key : {m_CmdMode, m_CmdEvent, m_CmdReset, m_CmdTime, m_CmdRun, m_CmdPause}) {
        key->setToolTip(tip);
        key->setEnabled(!s.SettingUp);
    }
    m_CmdPause->setEnabled(!s.SettingUp && s.Running);
    m_CmdRun->setEnabled(!s.SettingUp && !m_runPending);
}

void SLmPanel::press(Key key) {
    const link::MeterState& s = m_link.state();
    if (RefusedByLock(key, s)) {
        m_dialogs.message(
            this,
            {QStringLiteral("Key locked!"), dialogs::Buttons::Ok, dialogs::Icon::Critical, {}});
        return;
    }
    if (key == Key::Run && m_runPending)
        return;
    if (s.SettingUp)
        return; // the buttons say why

    const std::optional<KeyPress> p = PressFor(key, s);
    if (!p)
        return;
    if (key == Key::Run) {
        m_runPending = true;
        m_CmdRun->setEnabled(false);
    }
    auto work = [p = *p](link::Meter& meter) {
        if (p.before > 0)
            meter.Delay(p.before);
        meter.PressKey(p.code);
        if (p.after > 0)
            meter.Delay(p.after);
    };
    QPointer<SLmPanel> self(this);
    auto done = [self, key](link::JobOutcome) {
        if (self && key == Key::Run) {
            self->m_runPending = false;
            self->updateKeys();
        }
    };
    m_link.submit({QStringLiteral("keypad key"), work, done});
}

void SLmPanel::closeEvent(QCloseEvent* event) {
    emit closed();
    event->accept();
}

} // namespace nd::keypad
