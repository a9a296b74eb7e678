#include "database/table/FileStamp.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace velkaro::database {

std::optional<FileStamp> stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return std::nullopt;
    // One call, so that the fields describe one state of the file.
    struct stat status
    {
    };
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileStamp {info.absoluteFilePath(), std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
        std::uintmax_t(status.st_size), std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

} // namespace velkaro::database
