#include "database/reader/ReaderFile.h"

#include "database/reader/ReaderFailure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velkaro::reader {

using database::reader_protocol::ReaderError;

std::vector<std::string> utf8Arguments(int argc, char **argv)
{
    return {argv, argv + argc};
}

std::optional<std::string> readStandardInput(std::size_t limit)
{
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || bytes.size() + std::size_t(n) > limit)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(chunk, std::size_t(n));
    }
}

ReaderFile::ReaderFile(const char *path)
{
    // A FIFO would block an open that waits for a writer.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(ReaderError::NotAFile, "cannot open");
    struct stat info
    {
    };
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        fail(ReaderError::NotAFile, "not a regular file");
    }
    m_handle = fd;
    m_size = std::uint64_t(info.st_size);
}

ReaderFile::~ReaderFile()
{
    close(int(m_handle));
}

std::size_t ReaderFile::readAt(void *into, std::size_t size, std::uint64_t offset) const
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(int(m_handle), static_cast<char *>(into) + got, size - got, off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    return got;
}

} // namespace velkaro::reader
