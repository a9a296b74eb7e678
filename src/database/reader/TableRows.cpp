#include "database/reader/TableRows.h"

#include "database/reader/ReaderFailure.h"
#include "database/reader/UsageMap.h"

#include <string>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

std::uint32_t readU32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

} // namespace

TableRows::TableRows(PageReader &pages, std::span<const unsigned char> usageMap, std::uint32_t tablePage,
    std::uint32_t pageSize, std::uint32_t filePages, bool jet3)
    : m_pages(pages)
    , m_table(tablePage)
    , m_jet3(jet3)
{
    m_owned = usageMapPages(usageMap, pageSize, filePages, [&](std::uint32_t page) {
        const std::span<const unsigned char> bytes = m_pages.page(page);
        m_mapPage.assign(bytes.begin(), bytes.end());
        return std::span<const unsigned char>(m_mapPage);
    });
}

std::span<const unsigned char> TableRows::dataPage(std::uint32_t page, const char *what)
{
    const std::span<const unsigned char> bytes = page != 0 ? m_pages.page(page) : std::span<const unsigned char> {};
    if (bytes.empty())
        fail(ReaderError::RowUnreadable, "page " + std::to_string(page) + " " + what + ", past the file");
    if (bytes[0] != 0x01 || readU32(bytes.data() + 4) != m_table)
        fail(ReaderError::RowUnreadable, "page " + std::to_string(page) + " " + what + ", not the table's");
    return bytes;
}

unsigned TableRows::rowCount(std::span<const unsigned char> page, std::uint32_t number) const
{
    const std::optional<unsigned> rows = slotCount(page, m_jet3);
    if (!rows)
        fail(ReaderError::RowUnreadable, "page " + std::to_string(number) + " lists more rows than it holds");
    // A row place numbers a page's rows in one byte, as Jet's own row pointers do.
    if (*rows > database::reader_protocol::kMaxRowsPerPage)
        fail(ReaderError::RowUnreadable, "page " + std::to_string(number) + " lists more rows than a page may");
    return *rows;
}

TableRows::Moved TableRows::movedRow(std::span<const unsigned char> home, const Slot &slot)
{
    if (slot.size < 4)
        fail(ReaderError::RowUnreadable, "moved row without its new place");
    const unsigned row = home[slot.start];
    const std::uint32_t number = readU32(home.data() + slot.start) >> 8;
    const std::span<const unsigned char> page = dataPage(number, "of a moved row");
    // Only a slot of moved data alone holds a moved row, which also ends any loop.
    const std::optional<Slot> moved = row < rowCount(page, number) ? slotOf(page, row, m_jet3) : std::nullopt;
    if (!moved || (moved->entry & (kMovedRow | kMovedData)) != kMovedData)
        fail(ReaderError::RowUnreadable,
            "moved row at page " + std::to_string(number) + " row " + std::to_string(row) + ", which holds none");
    return {page, *moved};
}

} // namespace velkaro::reader
