// The usage map reader on any map and bitmap pages. Input: a byte choosing the page size (bit 0: 2048, else
// 4096), u16 file pages, u16 map size, the map, then the file's pages from page 0 on (a page cut short is missing).

#include "database/reader/ReaderFailure.h"
#include "database/reader/UsageMap.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <vector>

using velkaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 5)
        return 0;
    const std::uint32_t pageSize = data[0] & 1 ? 2048 : 4096;
    const std::uint32_t filePages = data[1] | data[2] << 8;
    const std::size_t mapSize = std::min<std::size_t>(data[3] | data[4] << 8, size - 5);
    const std::vector<unsigned char> map(data + 5, data + 5 + mapSize);
    const std::vector<unsigned char> file(data + 5 + mapSize, data + size);
    const auto page = [&](std::uint32_t number) -> std::span<const unsigned char> {
        require(number < filePages, "a page asked for past the file");
        if ((std::uint64_t(number) + 1) * pageSize > file.size())
            return {};
        return std::span<const unsigned char>(file).subspan(std::size_t(number) * pageSize, pageSize);
    };
    try {
        const std::vector<std::uint32_t> pages = velkaro::reader::usageMapPages(map, pageSize, filePages, page);
        require(std::adjacent_find(pages.begin(), pages.end(), std::greater_equal<>()) == pages.end(),
            "pages not ascending");
        require(pages.empty() || pages.back() < filePages, "a page listed past the file");
    } catch (const velkaro::reader::ReaderFailure &) { }
    return 0;
}
