#pragma once

#include <QString>
#include <QStringList>

namespace velkaro::ui {

// The machine's drives as root folders in Qt's separators: on Linux "/" and the mount points of storage volumes, on
// Windows the drive letters ("C:/").
class Drives
{
public:
    virtual ~Drives() = default;
    // On Linux the system drive first, then the other drives; on Windows the drive letters in order.
    virtual QStringList roots() const = 0;
    // False when the drive is not ready, holds no medium, is gone or cannot be read.
    virtual bool isReadable(const QString &root) const = 0;
};

// The drive the settings dialog starts on and returns to: "/" (on Windows "C:/").
QString systemDriveRoot();

// True when `path` is `folder` or lies below it (both clean, in Qt's separators).
bool isSameOrBelow(const QString &path, const QString &folder);

// The drive among `roots` that holds `path`: the deepest root that is `path` or one of its ancestors.
QString driveOf(const QStringList &roots, const QString &path);

// The drives of this machine.
class SystemDrives : public Drives
{
public:
    QStringList roots() const override;
    bool isReadable(const QString &root) const override;
};

} // namespace velkaro::ui
