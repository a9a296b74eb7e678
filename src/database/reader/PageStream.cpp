#include "database/reader/PageStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

namespace velkaro::reader {

namespace {

constexpr std::size_t kLargestPage = 4096;
// Pages come from the file in aligned blocks of this size: the catalogue's pages and a memo's long-value pages
// mostly follow one another; the table's data pages are read apart (PageReader).
constexpr std::size_t kBlockSize = 64 * 1024;

struct Block
{
    off64_t offset = -1;
    std::size_t size = 0;
    std::unique_ptr<char[]> bytes = std::make_unique<char[]>(kBlockSize);

    bool holds(off64_t at, std::size_t wanted) const
    {
        return offset >= 0 && at >= offset && at + off64_t(wanted) <= offset + off64_t(size);
    }
};

// The file, the stream's position and the last two blocks read: the usage map page and the data pages
// alternate, so the map page's block stays.
struct PageFile
{
    int fd = -1;
    off64_t size = 0;
    off64_t position = 0;
    std::array<Block, 2> blocks;
    std::size_t lastUsed = 0;
    // The stream's own buffer: stdio fills it with one read, so a page of either size is one read.
    std::array<char, kLargestPage> streamBuffer {};

    ssize_t readAt(char *buffer, std::size_t wanted, off64_t at)
    {
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t n = pread(fd, buffer + got, wanted - got, at + off64_t(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            got += std::size_t(n);
        }
        return ssize_t(got);
    }

    ssize_t read(char *buffer, std::size_t wanted)
    {
        if (wanted > kLargestPage)
            return advance(readAt(buffer, wanted, position));
        std::size_t slot = blocks[0].holds(position, wanted) ? 0 : blocks[1].holds(position, wanted) ? 1 : 2;
        if (slot == 2) {
            slot = 1 - lastUsed;
            Block &block = blocks[slot];
            // A request across a block boundary starts a block of its own.
            const off64_t aligned = position - position % off64_t(kBlockSize);
            block.offset = position + off64_t(wanted) <= aligned + off64_t(kBlockSize) ? aligned : position;
            const ssize_t got = readAt(block.bytes.get(), kBlockSize, block.offset);
            if (got < 0) {
                block.offset = -1;
                return -1;
            }
            block.size = std::size_t(got);
        }
        lastUsed = slot;
        const Block &block = blocks[slot];
        const std::size_t available = std::size_t(block.offset + off64_t(block.size) - position);
        const std::size_t served = available < wanted ? available : wanted;
        std::memcpy(buffer, block.bytes.get() + (position - block.offset), served);
        return advance(ssize_t(served));
    }

    ssize_t advance(ssize_t got)
    {
        if (got > 0)
            position += got;
        return got;
    }

    int seek(off64_t *offset, int whence)
    {
        const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position : size;
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
            return -1;
        if (base + *offset < 0)
            return -1;
        position = base + *offset;
        *offset = position;
        return 0;
    }
};

ssize_t readPages(void *cookie, char *buffer, std::size_t size)
{
    return static_cast<PageFile *>(cookie)->read(buffer, size);
}

int seekPages(void *cookie, off64_t *offset, int whence)
{
    return static_cast<PageFile *>(cookie)->seek(offset, whence);
}

int closePages(void *cookie)
{
    auto *file = static_cast<PageFile *>(cookie);
    const int result = close(file->fd);
    delete file;
    return result;
}

} // namespace

void usePageStream(std::FILE *&stream)
{
    struct stat info
    {
    };
    const int original = fileno(stream);
    if (original < 0 || fstat(original, &info) != 0)
        return;
    const int fd = fcntl(original, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return;
    auto *file = new PageFile;
    file->fd = fd;
    file->size = info.st_size;
    std::FILE *pages = fopencookie(file, "r", {readPages, nullptr, seekPages, closePages});
    if (!pages) {
        close(fd);
        delete file;
        return;
    }
    if (setvbuf(pages, file->streamBuffer.data(), _IOFBF, file->streamBuffer.size()) != 0) {
        std::fclose(pages);
        return;
    }
    std::fclose(stream);
    stream = pages;
}

} // namespace velkaro::reader
