#include "database/table/FileStamp.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <filesystem>
#include <system_error>

namespace velkaro::database {

std::optional<FileStamp> stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return std::nullopt;
#ifdef Q_OS_UNIX
    // One call, so that the fields describe one state of the file.
    struct stat status
    {
    };
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileStamp {info.absoluteFilePath(), std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
        std::uintmax_t(status.st_size), std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
#else
    const std::filesystem::path file(path.toStdU16String());
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error)
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    return FileStamp {info.absoluteFilePath(), 0, 0, size, modified.time_since_epoch().count()};
#endif
}

} // namespace velkaro::database
