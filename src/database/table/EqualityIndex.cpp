#include "database/table/EqualityIndex.h"

#include "database/core/DatabaseError.h"
#include "database/table/TextColumn.h"

#include <bit>
#include <functional>

namespace velkaro::database {

EqualityIndex::EqualityIndex(const TextColumn &column, const std::atomic<bool> *stop)
    : m_column(column)
{
    const std::uint32_t rows = column.rowCount();
    const std::size_t slotCount = std::bit_ceil(std::size_t {2} * rows + 2);
    m_mask = slotCount - 1;
    m_slots.resize(slotCount, kNoRow);
    m_next.resize(rows, kNoRow);
    const std::hash<std::string_view> hash;
    // Walking backwards and inserting at the head leaves every chain in table order.
    for (std::uint32_t row = rows; row-- > 0;) {
        if (stop && row % 65536 == 0 && stop->load(std::memory_order_relaxed))
            throw DatabaseError("index build stopped");
        if (column.isNull(row))
            continue;
        const std::string_view text = column.folded(row);
        for (std::size_t slot = hash(text) & m_mask;; slot = (slot + 1) & m_mask) {
            const std::uint32_t head = m_slots[slot];
            if (head == kNoRow || column.folded(head) == text) {
                m_next[row] = head;
                m_slots[slot] = row;
                break;
            }
        }
    }
}

std::vector<std::uint32_t> EqualityIndex::rowsEqualTo(std::string_view folded) const
{
    std::vector<std::uint32_t> rows;
    for (std::size_t slot = std::hash<std::string_view>()(folded) & m_mask;; slot = (slot + 1) & m_mask) {
        std::uint32_t row = m_slots[slot];
        if (row == kNoRow)
            return rows;
        if (m_column.folded(row) == folded) {
            for (; row != kNoRow; row = m_next[row])
                rows.push_back(row);
            return rows;
        }
    }
}

} // namespace velkaro::database
