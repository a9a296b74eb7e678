#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace velkaro::reader {

// Pages that follow one another: `count` pages from `first`.
struct PageRun
{
    std::uint32_t first = 0;
    std::uint32_t count = 0;

    bool operator==(const PageRun &) const = default;
};

// The pages a usage map row lists, ascending, as runs of pages that follow one another (a table's pages mostly do,
// so millions of rows take a few runs). Type 0 (inline): u32 first page, then a bitmap, bit i for page
// first + i. Type 1 (reference): u32 numbers of bitmap pages (type 0x05; 0 for none), the i-th covering the
// pages from i x (pageSize - 4) x 8 on with the bits after its 4-byte header. `page` gives a page's bytes, or an
// empty span when it is not in the file. Throws ReaderFailure for an unknown type, a bitmap page that is not one,
// and a listed page beyond the file's `filePages`.
std::vector<PageRun> usageMapPages(std::span<const unsigned char> map, std::uint32_t pageSize, std::uint32_t filePages,
    const std::function<std::span<const unsigned char>(std::uint32_t)> &page);

} // namespace velkaro::reader
