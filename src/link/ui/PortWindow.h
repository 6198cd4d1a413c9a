#pragma once

#include "SerialDevices.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace nd::link::ui {

/// The first window: the user picks the meter's port, may scan for the ports that
/// exist or look at the serial devices, and confirms with OK.
class Port final : public QDialog {
    Q_OBJECT

public:
    /// extraEntries (such as a virtual meter's device) join the list after every Reset
    /// and scan; preselectedText, a list text or a device path, is chosen when given.
    Port(const QString& preselectedText, QStringList extraEntries, QWidget* parent = nullptr);

    /// Stands in for opening real ports, for the scan and the device view.
    void setOpenProbe(OpenProbe probe) { m_probe = std::move(probe); }
    void setDeviceSource(DeviceSource source) { m_deviceSource = std::move(source); }

    /// The device the current choice names, or empty when it names none.
    QString chosenDevice() const;

    /// The device view goes with the port window, however it ends.
    void done(int result) override;

signals:
    /// OK. An empty device means the choice named no port: the program runs offline.
    void accepted(const QString& device, const QString& linkCaption);

private:
    void buildControls();
    void connectControls();
    void resetList();
    void autoScan();
    void openDeviceManager();
    void confirm();
    void appendExtraEntries();
    void selectFirstEntry();
    void selectOrType(const QString& text);
    void showChosenDevice();

    QStringList m_extraEntries;
    OpenProbe m_probe;
    DeviceSource m_deviceSource;
    QPointer<SerialDevices> m_deviceView;

    QComboBox* m_TxtCOM = nullptr;
    QLabel* m_LblDevice = nullptr;
    QPushButton* m_BtnReset = nullptr;
    QPushButton* m_BtnAutoScan = nullptr;
    QProgressBar* m_ProgressBar1 = nullptr;
    QPushButton* m_BtnDeviceManager = nullptr;
    QPushButton* m_CmdOK = nullptr;
};

/// Where the port window opens, from the screen's top left corner (3700, 2700 twips).
inline constexpr QPoint kPortWindowOffset{247, 180};
/// Shown beside the list when the choice maps to no device.
inline constexpr char kNoSuchPortText[] = "no such port";

} // namespace nd::link::ui
