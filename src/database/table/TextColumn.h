#pragma once

#include "database/core/CaseFold.h"
#include "database/core/PodArray.h"
#include "database/core/Prefetch.h"
#include "database/readtable/TableSource.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

namespace velkaro::database {

class EqualityIndex;

// The values of one column, stored compactly: the case-folded UTF-8 texts of all rows back to back with
// their offsets, a null bitmap, a bit for each folded character that was lower case, and the original text
// only of the rows that folding changed otherwise.
// Numbers are kept as the text the reader rendered. Immutable once finished, except for the equality
// index built on first use.
class TextColumn
{
public:
    TextColumn();
    ~TextColumn();
    TextColumn(const TextColumn &) = delete;
    TextColumn &operator=(const TextColumn &) = delete;

    void append(const FieldView &field);
    // Appends row `row` of `source` as it is stored there, without decoding and folding it again.
    void appendRowOf(const TextColumn &source, std::uint32_t row);
    // Appends the rows of `next` after these and empties it; its buffers are freed as they are copied.
    void appendColumn(TextColumn &&next);
    void finish();

    std::uint32_t rowCount() const { return static_cast<std::uint32_t>(m_offsets.size() - 1); }
    bool isNull(std::uint32_t row) const { return (m_nulls[row / 64] >> (row % 64)) & 1U; }
    std::string_view folded(std::uint32_t row) const
    {
        return {m_folded.data() + m_offsets[row], m_offsets[row + 1] - m_offsets[row]};
    }
    // The text as stored in the file, in UTF-8 and as UTF-16; empty for null.
    std::string original(std::uint32_t row) const;
    QString text(std::uint32_t row) const;

    // A hint for callers that read `rows` in order and are at `position`: the offsets and null bit of a row
    // further ahead, and the folded text of a nearer one, whose offsets have arrived by then. Rows scattered
    // over a table much larger than the caches would otherwise each wait on memory.
    void prefetchAhead(std::span<const std::uint32_t> rows, std::size_t position) const
    {
        constexpr std::size_t offsetsAhead = 16;
        constexpr std::size_t textAhead = 8;
        if (position + offsetsAhead < rows.size()) {
            const std::uint32_t row = rows[position + offsetsAhead];
            prefetch(m_offsets.data() + row);
            prefetch(m_offsets.data() + row + 1);
            prefetch(m_nulls.data() + row / 64);
        }
        if (position + textAhead < rows.size()) {
            const std::uint32_t row = rows[position + textAhead];
            prefetch(m_folded.data() + m_offsets[row]);
            prefetch(m_folded.data() + m_offsets[row + 1]);
        }
    }

    // All folded texts back to back; row r occupies [foldedBegin(r), foldedBegin(r + 1)).
    std::string_view foldedTexts() const { return {m_folded.data(), m_folded.size()}; }
    std::uint32_t foldedBegin(std::uint32_t row) const { return m_offsets[row]; }
    // The row whose folded text holds the byte at `offset` (offset < foldedTexts().size()), looked for from
    // row `first` on, which must not lie after it: a caller walking forward finds near rows in a few steps.
    std::uint32_t rowAt(std::size_t offset, std::uint32_t first = 0) const;

    // Reads through the column's memory once, so that the first search over it runs as fast as later ones.
    void touchPages() const;

    // Rows by folded text, built on first use; a build that `stop` ends throws DatabaseError and leaves none.
    const EqualityIndex &equalityIndex(const std::atomic<bool> *stop = nullptr) const;
    // The index if it has been built, without waiting for a build under way; null otherwise.
    const EqualityIndex *builtEqualityIndex() const { return m_builtIndex.load(std::memory_order_acquire); }

private:
    bool markLowerCase();
    // Sets the bit of the folded character starting at `foldedByte`: it was lower case.
    void markLowerCaseAt(std::size_t foldedByte);
    std::uint32_t beginRow();
    bool isLowerCase(std::size_t foldedByte) const
    {
        return foldedByte / 64 < m_lowerCase.size() && ((m_lowerCase[foldedByte / 64] >> (foldedByte % 64)) & 1U);
    }

    PodArray<char> m_folded;
    PodArray<std::uint32_t> m_offsets;
    PodArray<std::uint64_t> m_nulls;
    // Bit i: the folded character starting at byte i was its lower case in the file. Only as long as the last
    // such character needs: empty for a column without lower case.
    PodArray<std::uint64_t> m_lowerCase;
    PodArray<std::uint32_t> m_originalRows;
    PodArray<std::uint32_t> m_originalOffsets;
    PodArray<char> m_originals;
    // How folding changed the text appended last.
    FoldChanges m_changes;
    mutable std::mutex m_indexBuilding;
    mutable std::unique_ptr<EqualityIndex> m_index;
    mutable std::atomic<const EqualityIndex *> m_builtIndex = nullptr;
};

} // namespace velkaro::database
