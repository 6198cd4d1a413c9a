#pragma once

#include "DeviceRows.h"

#include <QAbstractTableModel>
#include <QWidget>

class QPushButton;
class QTableView;

namespace nd::link::ui {

using DeviceSource = std::function<std::vector<SerialDeviceInfo>()>;

/// The device rows as a table.
class SerialDeviceModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        NameColumn,
        DeviceColumn,
        ComColumn,
        DescriptionColumn,
        ManufacturerColumn,
        SerialNumberColumn,
        VendorIdColumn,
        ProductIdColumn,
        StatusColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<DeviceRow> rows);
    const DeviceRow& row(int index) const { return m_rows.at(static_cast<size_t>(index)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<DeviceRow> m_rows;
};

/// Our own look at the system's serial devices, so the user can tell which device the
/// meter's cable is on. Opened from the port window; a double-click chooses a device.
class SerialDevices final : public QWidget {
    Q_OBJECT

public:
    SerialDevices(DeviceSource source, OpenProbe probe, QWidget* parent = nullptr);

    const SerialDeviceModel& model() const { return m_model; }

public slots:
    /// Lists the devices again; every device is opened briefly to tell free from busy.
    void refresh();

signals:
    void deviceChosen(const QString& device);

private:
    void chooseRow(const QModelIndex& index);

    DeviceSource m_source;
    OpenProbe m_probe;
    SerialDeviceModel m_model;
    QTableView* m_GridDevices = nullptr;
    QPushButton* m_CmdRefresh = nullptr;
    QPushButton* m_CmdClose = nullptr;
};

} // namespace nd::link::ui
