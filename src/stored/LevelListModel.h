#pragma once

#include "LevelList.h"

#include <QAbstractTableModel>

namespace nd::stored {

/// The table model of every level list window (Memory's records, the live list, the
/// saved file, the averages): columns "No.s", "Date", "Time", "dBA", texts as written,
/// centred. Rows come in whole lists or in batches, one insert notification per batch,
/// so an 86,400-row file shows at once and a live list costs one notification a sample.
class LevelListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    /// A role giving the row's parsed dB (the bound for "OL" and "----"; none otherwise).
    static constexpr int kDecibelRole = Qt::UserRole + 1;

    explicit LevelListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    /// Replaces everything (rows and notes).
    void setList(LevelList list);
    /// Adds rows at the end with one notification.
    void append(std::vector<LevelRow> rows);
    /// Back to the header alone; the notes are kept.
    void clearRows();
    void setNotes(const std::array<QString, 3>& notes) { m_list.notes = notes; }

    const LevelList& list() const { return m_list; }

private:
    LevelList m_list;
};

} // namespace nd::stored
