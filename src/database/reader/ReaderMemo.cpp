#include "database/reader/ReaderMemo.h"

#include "database/reader/Jet4Text.h"
#include "database/reader/PageSlots.h"
#include "database/reader/ReaderFailure.h"

#include <cstring>
#include <optional>
#include <string>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

// The first word of a memo field: the value's length in bytes, below two flags that say where it is stored.
constexpr std::uint32_t kInline = 0x80000000u;
constexpr std::uint32_t kOnePage = 0x40000000u;
constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;
// The length word and the page and row of the value's first part lead the field; an inline value follows.
constexpr std::size_t kMemoHeader = 12;

std::uint32_t u32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

[[noreturn]] void damaged(const char *column, const char *what)
{
    throw ReaderFailure {ReaderError::RowUnreadable, std::string("memo of ") + column + ": " + what};
}

} // namespace

ReaderMemo::ReaderMemo(PageReader &pages, std::uint32_t filePages, bool jet3)
    : m_pages(pages)
    , m_filePages(filePages)
    , m_jet3(jet3)
{ }

std::string_view ReaderMemo::longValueRow(std::uint32_t pageRow, const char *column)
{
    const RowPointer pointer = RowPointer::of(pageRow);
    const std::span<const unsigned char> page = m_pages.page(pointer.page);
    if (page.empty())
        damaged(column, "a page that is not there");
    if (page[0] != 0x01 || std::memcmp(page.data() + 4, "LVAL", 4) != 0)
        damaged(column, "a page that holds no long values");
    const std::optional<unsigned> rows = slotCount(page, m_jet3);
    const std::optional<Slot> slot = rows && pointer.row < *rows ? slotOf(page, pointer.row, m_jet3) : std::nullopt;
    if (!slot)
        damaged(column, "a row that is not there");
    return {reinterpret_cast<const char *>(page.data()) + slot->start, slot->size};
}

std::string_view ReaderMemo::stored(std::span<const unsigned char> field, const char *column)
{
    if (field.empty())
        return {};
    if (field.size() < kMemoHeader)
        damaged(column, "header shorter than its size");
    const std::uint32_t word = u32(field.data());
    const std::uint32_t length = word & kLengthMask;
    std::uint32_t pageRow = u32(field.data() + 4);
    switch (word & ~kLengthMask) {
    case kInline:
        if (length > field.size() - kMemoHeader)
            damaged(column, "longer than its field");
        return {reinterpret_cast<const char *>(field.data()) + kMemoHeader, length};
    case kOnePage: {
        const std::string_view row = longValueRow(pageRow, column);
        if (length > row.size())
            damaged(column, "longer than its row");
        return row.substr(0, length);
    }
    case 0:
        break;
    default:
        damaged(column, "unknown storage flags");
    }
    // A chain of rows on long-value pages, each led by the page and row of the next; a page holds at most
    // 255 rows, so a longer chain loops.
    m_stored.clear();
    for (std::uint64_t rows = 0; pageRow != 0; ++rows) {
        if (rows > std::uint64_t(m_filePages) * 255)
            damaged(column, "a chain of pages that loops");
        const std::string_view row = longValueRow(pageRow, column);
        if (row.size() < 4 || row.size() - 4 > length - m_stored.size())
            damaged(column, "pages that hold more than its length");
        pageRow = u32(reinterpret_cast<const unsigned char *>(row.data()));
        m_stored.insert(m_stored.end(), row.begin() + 4, row.end());
    }
    if (m_stored.size() != length)
        damaged(column, "pages that hold less than its length");
    return {m_stored.data(), m_stored.size()};
}

std::string_view ReaderMemo::text(
    std::span<const unsigned char> field, const char *column, const CodePageTable *codePage)
{
    const std::string_view stored = this->stored(field, column);
    if (stored.empty())
        return {};
    // UTF-8 takes at most three bytes for a stored byte of a code page, and for Unicode what the decoder needs
    // (two for a stored byte, sixteen more for its vector path).
    m_text.resize(3 * stored.size() + 18);
    const auto *bytes = reinterpret_cast<const unsigned char *>(stored.data());
    const auto size = codePage ? jet3TextToUtf8(bytes, stored.size(), *codePage, m_text.data(), m_text.size())
                               : jet4TextToUtf8(bytes, stored.size(), m_text.data(), m_text.size());
    if (size == kTextDoesNotFit)
        damaged(column, "text that does not convert");
    return {m_text.data(), size};
}

} // namespace velkaro::reader
