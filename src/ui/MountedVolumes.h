#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What a Linux system reports as mounted, reduced to what a user sees as drives.
namespace velkaro::ui {

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

} // namespace velkaro::ui
