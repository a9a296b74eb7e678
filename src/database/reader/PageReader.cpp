#include "database/reader/PageReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velkaro::reader {

namespace {

constexpr std::uint32_t kBlockBytes = 256 * 1024;

} // namespace

PageReader::PageReader(int fd, std::uint32_t pageSize, std::uint32_t filePages)
    : m_fd(fd)
    , m_pageSize(pageSize)
    , m_filePages(filePages)
    , m_blockPages(kBlockBytes / pageSize)
{
    for (Block &block : m_blocks)
        block.bytes = std::make_unique<unsigned char[]>(kBlockBytes);
}

PageReader::~PageReader()
{
    close(m_fd);
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
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = pread(m_fd, block.bytes.get() + got, bytes - got, off_t(block.first * m_pageSize + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    block.pages = std::uint32_t(got / m_pageSize);
    m_lastUsed = slot;
    if (number >= block.first + block.pages)
        return {};
    return {block.bytes.get() + (number - block.first) * m_pageSize, m_pageSize};
}

} // namespace velkaro::reader
