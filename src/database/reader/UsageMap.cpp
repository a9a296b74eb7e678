#include "database/reader/UsageMap.h"

#include "database/reader/ReaderFailure.h"

#include <string>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

std::uint32_t u32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void addBits(
    std::span<const unsigned char> bits, std::uint64_t first, std::uint32_t filePages, std::vector<PageRun> &pages)
{
    for (std::size_t byte = 0; byte < bits.size(); ++byte) {
        for (unsigned bit = 0; bits[byte] >> bit; ++bit) {
            if (!((bits[byte] >> bit) & 1))
                continue;
            const std::uint64_t listed = first + 8 * byte + bit;
            if (listed >= filePages)
                fail(ReaderError::RowUnreadable, "usage map lists page " + std::to_string(listed) + ", past the file");
            if (!pages.empty() && pages.back().first + std::uint64_t(pages.back().count) == listed)
                ++pages.back().count;
            else
                pages.push_back({std::uint32_t(listed), 1});
        }
    }
}

} // namespace

std::vector<PageRun> usageMapPages(std::span<const unsigned char> map, std::uint32_t pageSize, std::uint32_t filePages,
    const std::function<std::span<const unsigned char>(std::uint32_t)> &page)
{
    std::vector<PageRun> pages;
    if (map.size() >= 5 && map[0] == 0) {
        addBits(map.subspan(5), u32(map.data() + 1), filePages, pages);
        return pages;
    }
    if (map.empty() || map[0] != 1)
        fail(ReaderError::DefinitionUnreadable, "usage map of unknown type");
    const std::uint64_t pagesPerBitmap = std::uint64_t(pageSize - 4) * 8;
    for (std::size_t slot = 0; 1 + 4 * (slot + 1) <= map.size(); ++slot) {
        const std::uint32_t bitmapPage = u32(map.data() + 1 + 4 * slot);
        if (bitmapPage == 0)
            continue;
        const std::span<const unsigned char> bitmap =
            bitmapPage < filePages ? page(bitmapPage) : std::span<const unsigned char> {};
        if (bitmap.size() != pageSize || bitmap[0] != 0x05)
            fail(ReaderError::DefinitionUnreadable, "usage map page " + std::to_string(bitmapPage) + " is none");
        addBits(bitmap.subspan(4), slot * pagesPerBitmap, filePages, pages);
    }
    return pages;
}

} // namespace velkaro::reader
