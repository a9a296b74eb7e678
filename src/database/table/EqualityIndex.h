#pragma once

#include "database/core/PodArray.h"

#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velkaro::database {

class TextColumn;

// The rows of a column grouped by folded text, for whole-text comparisons: an open-addressing table of
// distinct texts, each slot heading a chain of its rows in table order. Null rows are left out.
class EqualityIndex
{
public:
    // Throws DatabaseError when `stop` is set during the build.
    explicit EqualityIndex(const TextColumn &column, const std::atomic<bool> *stop = nullptr);

    // The rows whose folded text equals `folded`, ascending.
    std::vector<std::uint32_t> rowsEqualTo(std::string_view folded) const;

private:
    static constexpr std::uint32_t kNoRow = 0xFFFFFFFF;

    const TextColumn &m_column;
    PodArray<std::uint32_t> m_slots; // first row of each distinct text, or kNoRow
    PodArray<std::uint32_t> m_next; // the next row with the same text, or kNoRow
    std::size_t m_mask = 0;
};

} // namespace velkaro::database
