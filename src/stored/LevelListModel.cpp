#include "LevelListModel.h"

namespace nd::stored {

LevelListModel::LevelListModel(QObject* parent) : QAbstractTableModel(parent) {}

int LevelListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.rows.size());
}

int LevelListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kLevelListHeader.size());
}

QVariant LevelListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LevelRow& row = m_list.rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return row.number;
        case 1:
            return row.date;
        case 2:
            return row.time;
        case 3:
            return row.value;
        default:
            return {};
        }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case kDecibelRole:
        return row.level.isSound() ? QVariant(row.level.dB) : QVariant();
    default:
        return {};
    }
}

QVariant LevelListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kLevelListHeader.size())
        return kLevelListHeader[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void LevelListModel::setList(LevelList list) {
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

void LevelListModel::append(std::vector<LevelRow> rows) {
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_list.rows.insert(m_list.rows.end(), std::make_move_iterator(rows.begin()),
                       std::make_move_iterator(rows.end()));
    endInsertRows();
}

void LevelListModel::clearRows() {
    if (m_list.rows.empty())
        return;
    beginResetModel();
    m_list.rows.clear();
    endResetModel();
}

} // namespace nd::stored
