#include "ui/MountedVolumes.h"

#include "ui/Drives.h"

#include <QHash>

#include <tuple>

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

// A field of a Linux mount table, with its octal escapes (such as \040 for a blank) undone.
QString mountTableField(const QByteArray &field)
{
    QByteArray text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool octal = false;
        if (field[i] == '\\' && i + 3 < field.size()) {
            const int code = field.mid(i + 1, 3).toInt(&octal, 8);
            if (octal) {
                text += char(code);
                i += 3;
            }
        }
        if (!octal)
            text += field[i];
    }
    return QString::fromUtf8(text);
}

} // namespace

QStringList driveRoots(const QList<MountedVolume> &volumes)
{
    // The volumes that show folders: the system drive's, whatever its type, and the storage volumes.
    QList<MountedVolume> shown;
    for (const MountedVolume &volume : volumes) {
        if (volume.rootPath == systemDriveRoot()
            || (volume.isValid && volume.isDirectory && !isPseudoFileSystem(volume.fileSystemType)
                && !isSystemFolder(volume.rootPath))) {
            shown.append(volume);
        }
    }
    QStringList roots {systemDriveRoot()};
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const MountedVolume &volume = shown[i];
        if (roots.contains(volume.rootPath))
            continue;
        // A bind mount of a folder that the system drive, an earlier volume, or a volume showing a folder above
        // it shows already.
        const auto showsAgain = [&](qsizetype j) {
            const MountedVolume &other = shown[j];
            if (j == i || volume.device.isEmpty() || other.device != volume.device
                || !isSameOrBelow(volume.fileSystemRoot, other.fileSystemRoot))
                return false;
            return other.fileSystemRoot != volume.fileSystemRoot || other.rootPath == systemDriveRoot() || j < i;
        };
        bool again = false;
        for (qsizetype j = 0; j < shown.size() && !again; ++j)
            again = showsAgain(j);
        if (!again)
            roots.append(volume.rootPath);
    }
    return roots;
}

QList<MountedVolume> withMountSources(QList<MountedVolume> volumes, const QByteArray &mountInfo)
{
    // Each line: mount ID, parent ID, major:minor, root folder in the file system, mount point, and more.
    QHash<QString, std::pair<QString, QString>> sources;
    for (const QByteArray &line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 5)
            sources.insert(mountTableField(fields[4]), {QString::fromLatin1(fields[2]), mountTableField(fields[3])});
    }
    for (MountedVolume &volume : volumes) {
        const auto found = sources.constFind(volume.rootPath);
        if (found != sources.cend())
            std::tie(volume.device, volume.fileSystemRoot) = *found;
    }
    return volumes;
}

} // namespace velkaro::ui
