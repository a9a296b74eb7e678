#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::reader {

// The reader's command line as UTF-8 (Windows hands a program its arguments in the system's ANSI code page).
std::vector<std::string> utf8Arguments(int argc, char **argv);

// Everything on stdin up to its end; none when it cannot be read or holds more than `limit` bytes.
std::optional<std::string> readStandardInput(std::size_t limit);

// The directory file, open for reading only. The one way the reader reaches the file after it has locked itself
// down.
class ReaderFile
{
public:
    // Opens `path` (UTF-8) without waiting on it; throws ReaderFailure for what is not there, or not a regular file
    // (a folder, a device, a FIFO).
    explicit ReaderFile(const char *path);
    ~ReaderFile();
    ReaderFile(const ReaderFile &) = delete;
    ReaderFile &operator=(const ReaderFile &) = delete;

    std::uint64_t size() const { return m_size; }

    // Reads up to `size` bytes from `offset` into `into`; returns how many it read, fewer only at the file's end or
    // when the system fails to read.
    std::size_t readAt(void *into, std::size_t size, std::uint64_t offset) const;

private:
    std::intptr_t m_handle = -1;
    std::uint64_t m_size = 0;
};

} // namespace velkaro::reader
