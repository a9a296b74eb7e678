#include "ui/Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

namespace {

bool isPseudoFileSystem(const QString &type)
{
    static const QStringList pseudo = {
        u"autofs"_s,
        u"binfmt_misc"_s,
        u"bpf"_s,
        u"cgroup"_s,
        u"cgroup2"_s,
        u"configfs"_s,
        u"debugfs"_s,
        u"devpts"_s,
        u"devtmpfs"_s,
        u"efivarfs"_s,
        u"fusectl"_s,
        u"fuse.gvfsd-fuse"_s,
        u"fuse.portal"_s,
        u"hugetlbfs"_s,
        u"mqueue"_s,
        u"nsfs"_s,
        u"overlay"_s,
        u"proc"_s,
        u"pstore"_s,
        u"ramfs"_s,
        u"rootfs"_s,
        u"rpc_pipefs"_s,
        u"securityfs"_s,
        u"squashfs"_s,
        u"sysfs"_s,
        u"tmpfs"_s,
        u"tracefs"_s,
    };
    return pseudo.contains(type);
}

bool isSystemFolder(const QString &root)
{
    static const QStringList systemFolders = {u"/proc"_s, u"/sys"_s, u"/dev"_s, u"/run"_s, u"/boot"_s, u"/snap"_s};
    if (isSameOrBelow(root, u"/run/media"_s))
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
    QStringList roots {systemDriveRoot()};
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
