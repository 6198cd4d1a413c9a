#include "SerialDevices.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace nd::link::ui {

void SerialDeviceModel::setRows(std::vector<DeviceRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int SerialDeviceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SerialDeviceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SerialDeviceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const DeviceRow& r = row(index.row());
    switch (index.column()) {
    case NameColumn:
        return r.name;
    case DeviceColumn:
        return r.device;
    case ComColumn:
        return r.comText;
    case DescriptionColumn:
        return r.description;
    case ManufacturerColumn:
        return r.manufacturer;
    case SerialNumberColumn:
        return r.serialNumber;
    case VendorIdColumn:
        return r.vendorId;
    case ProductIdColumn:
        return r.productId;
    case StatusColumn:
        return r.status;
    default:
        return {};
    }
}

QVariant SerialDeviceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[ColumnCount] = {
        "Name",          "Device",    "COM",        "Description", "Manufacturer",
        "Serial number", "Vendor ID", "Product ID", "Status"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

SerialDevices::SerialDevices(DeviceSource source, OpenProbe probe, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_probe(std::move(probe)) {
    setObjectName(QStringLiteral("SerialDevices"));
    setWindowTitle(QStringLiteral("Serial Devices"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_GridDevices = new QTableView(this);
    m_GridDevices->setObjectName(QStringLiteral("GridDevices"));
    m_GridDevices->setModel(&m_model);
    m_GridDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_GridDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    m_GridDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_GridDevices->verticalHeader()->hide();
    m_GridDevices->horizontalHeader()->setStretchLastSection(true);

    m_CmdRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    m_CmdRefresh->setObjectName(QStringLiteral("CmdRefresh"));
    m_CmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_CmdClose->setObjectName(QStringLiteral("CmdClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Double-click a device to choose it."), this));
    buttons->addStretch();
    buttons->addWidget(m_CmdRefresh);
    buttons->addWidget(m_CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_GridDevices);
    layout->addLayout(buttons);

    connect(m_CmdRefresh, &QPushButton::clicked, this, &SerialDevices::refresh);
    connect(m_CmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_GridDevices, &QTableView::doubleClicked, this, &SerialDevices::chooseRow);
    resize(820, 260);
    refresh();
}

void SerialDevices::refresh() {
    m_model.setRows(DeviceRows(m_source(), m_probe));
    m_GridDevices->resizeColumnsToContents();
}

void SerialDevices::chooseRow(const QModelIndex& index) {
    if (index.isValid())
        emit deviceChosen(m_model.row(index.row()).device);
}

} // namespace nd::link::ui
