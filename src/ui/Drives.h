#pragma once

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
};

// The volumes a user sees as drives: the system drive first, then real storage volumes in the given order,
// without pseudo and memory file systems, system mounts (below /proc, /sys, /dev, /boot, /snap, and /run except
// /run/media) or mounted single files.
QStringList driveRoots(const QList<MountedVolume> &volumes);

// The drives of this machine.
class SystemDrives : public Drives
{
public:
    QStringList roots() const override;
    bool isReadable(const QString &root) const override;
};

} // namespace velkaro::ui
