#include "ui/Drives.h"

#include "ui/MountedVolumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

QString systemDriveRoot()
{
    return QDir::rootPath();
}

QStringList SystemDrives::roots() const
{
    QList<MountedVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        volumes.append({storage.rootPath(), QString::fromLatin1(storage.fileSystemType()), storage.isValid(),
            QFileInfo(storage.rootPath()).isDir(), {}, {}});
    }
#if defined(Q_OS_LINUX)
    QFile mountTable(u"/proc/self/mountinfo"_s);
    if (mountTable.open(QIODevice::ReadOnly))
        volumes = withMountSources(volumes, mountTable.readAll());
#endif
    return driveRoots(volumes);
}

// The system drive is there whatever the mount table says: in a chroot or a container "/" may be no mount
// point of its own, and no volume is then reported for it.
bool SystemDrives::isReadable(const QString &root) const
{
    const QFileInfo folder(root);
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())
        return false;
    if (root == systemDriveRoot())
        return true;
    const QStorageInfo storage(root);
    return storage.isValid() && storage.isReady();
}

} // namespace velkaro::ui
