#include "database/table/FileStamp.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace velkaro::database {

std::optional<FileStamp> stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return std::nullopt;
    const std::filesystem::path file(path.toStdU16String());
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error)
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    return FileStamp {info.absoluteFilePath(), 0, 0, size, modified.time_since_epoch().count()};
}

} // namespace velkaro::database
