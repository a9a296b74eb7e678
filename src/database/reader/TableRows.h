#pragma once

#include "database/reader/PageReader.h"
#include "database/reader/PageSlots.h"
#include "database/reader/UsageMap.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velkaro::reader {

// The data pages one part reads: the table's pages numbered from `first` up to `stop`.
struct PageSpan
{
    std::uint32_t first = 0;
    std::uint32_t stop = 0;
};

// The rows of a table's data pages, in home-slot order, as Access returns them: a moved row where its home slot
// is, read through the slot's pointer; moved data and deleted rows skipped where they lie. A slot entry holds the
// row's offset in its low 13 bits; a row that grew out of its page keeps its home slot, flagged 0x4000, holding
// the row's number on its new page in one byte and the page in three; its data lies in a slot flagged 0x8000. A
// deleted row has both flags.
class TableRows
{
public:
    // The table whose definition is on `tablePage`, its pages listed by the usage map row `usageMap`; throws
    // ReaderFailure when the map cannot be read.
    TableRows(PageReader &pages, std::span<const unsigned char> usageMap, std::uint32_t tablePage,
        std::uint32_t pageSize, std::uint32_t filePages, bool jet3);

    bool jet3() const { return m_jet3; }

    // Calls `row(home, page, slot)` for every row whose home slot is on the table's pages from `span.first` up to
    // `span.stop`: `home` is that page's number, `page` the bytes of the page the row's data lies on. Stops when
    // `row` returns false. Throws ReaderFailure for a listed page
    // that is not the table's, a page listing more rows than it holds or than a page may (255), and a moved row that is
    // not where its home slot points.
    template <typename Visit> void forEach(PageSpan span, Visit &&row)
    {
        for (const PageRun &run : m_owned) {
            const std::uint32_t first = std::max(run.first, span.first);
            const std::uint32_t stop =
                std::uint32_t(std::min<std::uint64_t>(std::uint64_t(run.first) + run.count, span.stop));
            for (std::uint32_t page = first; page < stop; ++page) {
                if (!rowsOf(page, row))
                    return;
            }
        }
    }

private:
    static constexpr std::uint32_t kMovedRow = 0x4000;
    static constexpr std::uint32_t kMovedData = 0x8000;

    struct Moved
    {
        std::span<const unsigned char> page;
        Slot slot;
    };

    // forEach on one page; false when `row` asked to stop.
    template <typename Visit> bool rowsOf(std::uint32_t page, Visit &row)
    {
        std::span<const unsigned char> bytes = dataPage(page, "listed in the usage map");
        const unsigned rows = rowCount(bytes, page);
        for (unsigned slotRow = 0; slotRow < rows; ++slotRow) {
            const std::optional<Slot> slot = slotOf(bytes, slotRow, m_jet3);
            if (!slot || (slot->entry & kMovedData))
                continue;
            if (!(slot->entry & kMovedRow)) {
                if (!row(page, bytes, *slot))
                    return false;
                continue;
            }
            const auto [moved, movedAt] = movedRow(bytes, *slot);
            if (!row(page, moved, movedAt))
                return false;
            bytes = m_pages.page(page);
        }
        return true;
    }

    std::span<const unsigned char> dataPage(std::uint32_t page, const char *what);
    unsigned rowCount(std::span<const unsigned char> page, std::uint32_t number) const;
    Moved movedRow(std::span<const unsigned char> home, const Slot &slot);

    PageReader &m_pages;
    std::uint32_t m_table;
    bool m_jet3;
    std::vector<PageRun> m_owned;
    std::vector<unsigned char> m_mapPage;
};

} // namespace velkaro::reader
