#include "Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace velkaro::ui {

namespace {

bool isPseudoFileSystem(const QString &type)
{
    static const QStringList pseudo = {
        QStringLiteral("autofs"),     QStringLiteral("binfmt_misc"), QStringLiteral("bpf"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),     QStringLiteral("configfs"),
        QStringLiteral("debugfs"),    QStringLiteral("devpts"),      QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"),   QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("mqueue"),     QStringLiteral("nsfs"),        QStringLiteral("overlay"),
        QStringLiteral("proc"),       QStringLiteral("pstore"),      QStringLiteral("ramfs"),
        QStringLiteral("rootfs"),     QStringLiteral("rpc_pipefs"),  QStringLiteral("securityfs"),
        QStringLiteral("squashfs"),   QStringLiteral("sysfs"),       QStringLiteral("tmpfs"),
        QStringLiteral("tracefs"),    QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal"),
    };
    return pseudo.contains(type);
}

bool isSystemFolder(const QString &root)
{
    static const QStringList systemFolders = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"), QStringLiteral("/run"),
        QStringLiteral("/boot"), QStringLiteral("/snap"),
    };
    if (isSameOrBelow(root, QStringLiteral("/run/media")))
        return false;
    for (const QString &folder : systemFolders) {
        if (isSameOrBelow(root, folder))
            return true;
    }
    return false;
}

} // namespace

bool isSameOrBelow(const QString &path, const QString &folder)
{
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(prefix);
}

QString systemDriveRoot()
{
    return QDir::rootPath();
}

QString driveOf(const QStringList &roots, const QString &path)
{
    const QString cleanPath = QDir::cleanPath(path);
    QString best;
    for (const QString &root : roots) {
        if (isSameOrBelow(cleanPath, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

QStringList driveRoots(const QList<MountedVolume> &volumes)
{
    QStringList roots{systemDriveRoot()};
    for (const MountedVolume &volume : volumes) {
        if (!volume.isValid || !volume.isDirectory || roots.contains(volume.rootPath)
            || isPseudoFileSystem(volume.fileSystemType) || isSystemFolder(volume.rootPath)) {
            continue;
        }
        roots.append(volume.rootPath);
    }
    return roots;
}

QStringList SystemDrives::roots() const
{
    QList<MountedVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        volumes.append({storage.rootPath(), QString::fromLatin1(storage.fileSystemType()), storage.isValid(),
                        QFileInfo(storage.rootPath()).isDir()});
    }
    return driveRoots(volumes);
}

bool SystemDrives::isReadable(const QString &root) const
{
    const QStorageInfo storage(root);
    const QFileInfo folder(root);
    return storage.isValid() && storage.isReady() && folder.isDir() && folder.isReadable() && folder.isExecutable();
}

} // namespace velkaro::ui
