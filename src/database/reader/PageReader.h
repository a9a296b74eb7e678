#pragma once

#include "database/reader/ReaderFile.h"

#include <cstdint>
#include <memory>
#include <span>

namespace velkaro::reader {

// Pages of the file, read with positioned reads in aligned blocks of pages: data pages are mostly read in file
// order. Keeps the last two blocks, so that a moved row's page or a usage map page does not push out the block
// being walked.
class PageReader
{
public:
    PageReader(const ReaderFile &file, std::uint32_t pageSize, std::uint32_t filePages);
    PageReader(const PageReader &) = delete;
    PageReader &operator=(const PageReader &) = delete;

    std::uint32_t pageSize() const { return m_pageSize; }

    // Page `number`, valid until the next call; empty when it lies beyond the file or cannot be read.
    std::span<const unsigned char> page(std::uint32_t number);

private:
    struct Block
    {
        std::uint64_t first = 0; // page numbers [first, first + pages)
        std::uint32_t pages = 0;
        std::unique_ptr<unsigned char[]> bytes;
    };

    const ReaderFile &m_file;
    std::uint32_t m_pageSize;
    std::uint32_t m_filePages;
    std::uint32_t m_blockPages;
    Block m_blocks[2];
    unsigned m_lastUsed = 0;
};

} // namespace velkaro::reader
