#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace velkaro::database {

// What tells one state of a file from another without reading it: its path, size and modification time.
struct FileStamp
{
    QString path;
    std::uintmax_t size = 0;
    std::int64_t modified = 0; // in the file system's clock ticks

    bool operator==(const FileStamp &) const = default;
};

// The stamp of the readable regular file at `path`; nothing when there is none.
std::optional<FileStamp> stampOf(const QString &path);

} // namespace velkaro::database
