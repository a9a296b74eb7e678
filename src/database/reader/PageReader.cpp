#include "database/reader/PageReader.h"

#include <algorithm>

namespace velkaro::reader {

namespace {

constexpr std::uint32_t kBlockBytes = 256 * 1024;

} // namespace

PageReader::PageReader(const ReaderFile &file, std::uint32_t pageSize, std::uint32_t filePages)
    : m_file(file)
    , m_pageSize(pageSize)
    , m_filePages(filePages)
    // A block holds at most the file.
    , m_blockPages(std::max(1u, std::min(kBlockBytes / pageSize, filePages)))
{
    for (Block &block : m_blocks)
        block.bytes = std::make_unique_for_overwrite<unsigned char[]>(std::size_t(m_blockPages) * pageSize);
}

std::span<const unsigned char> PageReader::page(std::uint32_t number)
{
    if (number >= m_filePages)
        return {};
    for (unsigned slot = 0; slot < 2; ++slot) {
        const Block &block = m_blocks[slot];
        if (number >= block.first && number < block.first + block.pages) {
            m_lastUsed = slot;
            return {block.bytes.get() + (number - block.first) * m_pageSize, m_pageSize};
        }
    }
    const unsigned slot = 1 - m_lastUsed;
    Block &block = m_blocks[slot];
    block.first = number - number % m_blockPages;
    block.pages = 0;
    const std::uint32_t wanted = std::uint32_t(std::min<std::uint64_t>(m_blockPages, m_filePages - block.first));
    const std::size_t bytes = std::size_t(wanted) * m_pageSize;
    const std::size_t got = m_file.readAt(block.bytes.get(), bytes, block.first * m_pageSize);
    block.pages = std::uint32_t(got / m_pageSize);
    m_lastUsed = slot;
    if (number >= block.first + block.pages)
        return {};
    return {block.bytes.get() + (number - block.first) * m_pageSize, m_pageSize};
}

} // namespace velkaro::reader
