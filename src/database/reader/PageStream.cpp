#include "database/reader/PageStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace velkaro::reader {

namespace {

constexpr std::size_t kLargestPage = 4096;

struct CachedPage
{
    off64_t offset = -1;
    std::size_t size = 0;
    std::array<char, kLargestPage> bytes {};
};

// The file, the stream's position and the last two pages read: the usage map page and a data page
// alternate, so the map page comes from here.
struct PageFile
{
    int fd = -1;
    off64_t size = 0;
    off64_t position = 0;
    std::array<CachedPage, 2> cache;
    std::size_t nextSlot = 0;
    // The stream's own buffer: stdio fills it with one read, so a page of either size is one read.
    std::array<char, kLargestPage> streamBuffer {};

    ssize_t read(char *buffer, std::size_t wanted)
    {
        for (const CachedPage &page : cache) {
            if (page.offset == position && page.size == wanted) {
                std::memcpy(buffer, page.bytes.data(), wanted);
                position += off64_t(wanted);
                return ssize_t(wanted);
            }
        }
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t n = pread(fd, buffer + got, wanted - got, position + off64_t(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            got += std::size_t(n);
        }
        if (got == wanted && wanted <= kLargestPage) {
            CachedPage &page = cache[nextSlot];
            nextSlot = (nextSlot + 1) % cache.size();
            page.offset = position;
            page.size = wanted;
            std::memcpy(page.bytes.data(), buffer, wanted);
        }
        position += off64_t(got);
        return ssize_t(got);
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
