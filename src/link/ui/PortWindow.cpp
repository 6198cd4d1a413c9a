#include "PortWindow.h"

#include "link/PortNames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace nd::link::ui {

Port::Port(const QString& preselectedText, QStringList extraEntries, QWidget* parent)
    : QDialog(parent), m_extraEntries(std::move(extraEntries)), m_probe(ProbeByOpening),
      m_deviceSource(SystemSerialDevices) {
    setObjectName(QStringLiteral("Port"));
    setWindowTitle(QStringLiteral("COM Port"));
    buildControls();
    connectControls();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().topLeft() + kPortWindowOffset);
    resetList();
    selectFirstEntry();
    if (!preselectedText.isEmpty())
        selectOrType(preselectedText);
    showChosenDevice();
}

void Port::buildControls() {
    m_TxtCOM = new QComboBox(this);
    m_TxtCOM->setObjectName(QStringLiteral("TxtCOM"));
    m_TxtCOM->setEditable(true);
    // A typed text is a one-off choice, not a new list entry.
    m_TxtCOM->setInsertPolicy(QComboBox::NoInsert);
    m_TxtCOM->setMinimumContentsLength(12);
    // Wide enough for the longest entry, such as the virtual meter's device path.
    m_TxtCOM->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_LblDevice = new QLabel(this);
    m_LblDevice->setObjectName(QStringLiteral("LblDevice"));
    m_LblDevice->setMinimumWidth(140);
    m_LblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto makeButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    m_BtnReset = makeButton("BtnReset", "Reset");
    m_BtnAutoScan = makeButton("BtnAutoScan", "AutoScan");
    m_BtnDeviceManager = makeButton("BtnDeviceManager", "Device Manager");
    m_CmdOK = makeButton("CmdOK", "OK");
    m_CmdOK->setDefault(true);
    m_ProgressBar1 = new QProgressBar(this);
    m_ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_ProgressBar1->setRange(0, link::kLastComPort);
    m_ProgressBar1->setValue(0);
    m_ProgressBar1->setTextVisible(false);

    auto* layout = new QGridLayout(this);
    // The choice and the device it maps to each take a whole row, so long paths fit.
    layout->addWidget(m_TxtCOM, 0, 0, 1, 2);
    layout->addWidget(m_LblDevice, 1, 0, 1, 2);
    layout->addWidget(m_BtnReset, 2, 0);
    layout->addWidget(m_BtnAutoScan, 2, 1);
    layout->addWidget(m_ProgressBar1, 3, 0, 1, 2);
    layout->addWidget(m_BtnDeviceManager, 4, 0);
    layout->addWidget(m_CmdOK, 4, 1);
}

void Port::connectControls() {
    connect(m_TxtCOM, &QComboBox::currentTextChanged, this, &Port::showChosenDevice);
    // Reset clears the choice and refills the list; choosing is left to the user.
    connect(m_BtnReset, &QPushButton::clicked, this, [this] {
        resetList();
        m_TxtCOM->setCurrentIndex(-1);
        m_TxtCOM->clearEditText();
    });
    connect(m_BtnAutoScan, &QPushButton::clicked, this, &Port::autoScan);
    connect(m_BtnDeviceManager, &QPushButton::clicked, this, &Port::openDeviceManager);
    connect(m_CmdOK, &QPushButton::clicked, this, &Port::confirm);
}

QString Port::chosenDevice() const {
    QString text = m_TxtCOM->currentText();
    if (m_extraEntries.contains(text))
        return text;
    return link::deviceForChoice(text);
}

void Port::resetList() {
    m_TxtCOM->clear();
    m_TxtCOM->addItems(link::comListTexts());
    appendExtraEntries();
}

void Port::autoScan() {
    ScanPorts(*m_TxtCOM, *m_ProgressBar1, m_probe);
    appendExtraEntries();
    selectFirstEntry();
}

void Port::openDeviceManager() {
    if (!m_deviceView) {
        m_deviceView = new SerialDevices(m_deviceSource, m_probe, this);
        connect(m_deviceView, &SerialDevices::deviceChosen, this, &Port::selectOrType);
    }
    m_deviceView->show();
    m_deviceView->raise();
}

void Port::confirm() {
    const QString device = chosenDevice();
    emit accepted(device, device.isEmpty() ? QString() : link::linkCaptionForDevice(device));
    accept();
}

void Port::done(int result) {
    if (m_deviceView)
        m_deviceView->close();
    QDialog::done(result);
}

void Port::appendExtraEntries() {
    for (const QString& entry : m_extraEntries) {
        if (m_TxtCOM->findText(entry, Qt::MatchExactly) < 0)
            m_TxtCOM->addItem(entry);
    }
}

void Port::selectFirstEntry() {
    if (m_TxtCOM->count() > 0)
        m_TxtCOM->setCurrentIndex(0);
}

/// A device with a COM number is shown as its list text, as the user knows it.
void Port::selectOrType(const QString& text) {
    const int com = link::comNumberForDevice(text);
    const bool listed = m_TxtCOM->findText(text, Qt::MatchExactly) >= 0;
    const QString shown = (com > 0 && !listed) ? link::comListText(com) : text;
    const int index = m_TxtCOM->findText(shown, Qt::MatchExactly);
    if (index >= 0)
        m_TxtCOM->setCurrentIndex(index);
    else
        m_TxtCOM->setEditText(shown);
}

void Port::showChosenDevice() {
    const QString device = chosenDevice();
    const QString shown = device.isEmpty() ? QString::fromLatin1(kNoSuchPortText) : device;
    m_LblDevice->setText(shown);
    m_LblDevice->setToolTip(shown);
    // The whole path shows: the window grows to it, up to the screen's width.
    if (layout() && sizeHint().width() > width())
        adjustSize();
}

} // namespace nd::link::ui
