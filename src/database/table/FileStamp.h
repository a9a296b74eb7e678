#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace velkaro::database {

// What tells one state of a file from another without reading it: its path, the file itself (device and inode,
// where the system has them), its size and its modification time.
struct FileStamp
{
    QString path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uintmax_t size = 0;
    std::int64_t modified = 0; // in the file system's clock ticks

    bool operator==(const FileStamp &) const = default;
};

// The stamp of the readable regular file at `path`; nothing when there is none.
std::optional<FileStamp> stampOf(const QString &path);

} // namespace velkaro::database
