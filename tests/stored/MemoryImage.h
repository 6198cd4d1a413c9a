#pragma once

#include <QByteArray>
#include <QList>

#include <array>
#include <initializer_list>

namespace nd::test {

/// Builds a logged-memory image by hand: the cells from 0 up, as a dump delivers them.
class MemoryImage {
public:
    MemoryImage() : m_cells(768, '\0') {}

    /// Appends a set with the given header bytes and records of (b0, b1, b2); returns
    /// its number. Each set ends with the one spare byte the meter leaves.
    int addSet(std::initializer_list<int> header, const QList<std::array<int, 3>>& records) {
        const int start = static_cast<int>(m_cells.size());
        for (int b : header)
            m_cells.append(static_cast<char>(b));
        for (const auto& r : records)
            for (int b : r)
                m_cells.append(static_cast<char>(b));
        m_cells.append('\0');
        ++m_sets;
        setWord(510 + 2 * m_sets, start);
        setWord(512 + 2 * m_sets, static_cast<int>(m_cells.size()));
        m_cells[22] = static_cast<char>(m_sets);
        return m_sets;
    }
    void setWord(int lowCell, int value) {
        m_cells[lowCell] = static_cast<char>(value & 0xFF);
        m_cells[lowCell + 1] = static_cast<char>(value >> 8);
    }
    void setCell(int cell, int value) { m_cells[cell] = static_cast<char>(value); }
    int setCount() const { return m_sets; }
    int dataEnd() const { return m_sets == 0 ? 768 : static_cast<int>(m_cells.size()); }
    const QByteArray& cells() const { return m_cells; }

private:
    QByteArray m_cells;
    int m_sets = 0;
};

} // namespace nd::test
