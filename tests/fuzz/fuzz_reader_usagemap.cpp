// The usage map reader on any map and bitmap pages. Input: a byte choosing the page size (bit 0: 2048, else
// 4096), u16 file pages, u16 map size, the map, then the file's pages from page 0 on (a page cut short is missing).

#include "database/reader/ReaderFailure.h"
#include "database/reader/UsageMap.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
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
        const std::vector<velkaro::reader::PageRun> runs =
            velkaro::reader::usageMapPages(map, pageSize, filePages, page);
        // Runs of at least one page, ascending, none overlapping another, all within the file.
        std::uint64_t next = 0;
        for (const velkaro::reader::PageRun &run : runs) {
            require(run.count > 0, "an empty run");
            require(run.first >= next, "runs not ascending");
            next = std::uint64_t(run.first) + run.count;
        }
        require(next <= filePages, "a page listed past the file");
    } catch (const velkaro::reader::ReaderFailure &) { }
    return 0;
}
