#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace velkaro::ui {

// The machine's drives as root folders ("/" and the mount points of storage volumes, in Qt's separators).
class Drives
{
public:
    virtual ~Drives() = default;
    // The system drive first, then the other drives.
    virtual QStringList roots() const = 0;
    // False when the drive is not ready, holds no medium, is gone or cannot be read.
    virtual bool isReadable(const QString &root) const = 0;
};

// The drive that stands for the system drive: "/" (on Windows "C:/").
QString systemDriveRoot();

// True when `path` is `folder` or lies below it (both clean, in Qt's separators).
bool isSameOrBelow(const QString &path, const QString &folder);

// The drive among `roots` that holds `path`: the deepest root that is `path` or one of its ancestors.
QString driveOf(const QStringList &roots, const QString &path);

// A mounted volume as the system reports it.
struct MountedVolume
{
    QString rootPath;
    QString fileSystemType;
    bool isValid = false;
    bool isDirectory = false;
    // The file system's device and the folder of it that the volume shows: "/", or the folder a bind mount
    // shows again; empty where the system does not tell.
    QString device;
    QString fileSystemRoot;
};

// The volumes a user sees as drives: the system drive first, also where it is no mount point of its own, then
// real storage volumes in the given order, without pseudo and memory file systems, system mounts (below /proc,
// /sys, /dev, /boot, /snap, and /run except /run/media), mounted single files, or bind mounts of folders that
// another drive already shows.
QStringList driveRoots(const QList<MountedVolume> &volumes);

// `volumes` with the device and file-system folder of each filled in from a Linux mount table in the format
// of /proc/self/mountinfo; of mounts stacked on one folder the last, the one in sight, counts.
QList<MountedVolume> withMountSources(QList<MountedVolume> volumes, const QByteArray &mountInfo);

// The drives of this machine.
class SystemDrives : public Drives
{
public:
    QStringList roots() const override;
    bool isReadable(const QString &root) const override;
};

} // namespace velkaro::ui
