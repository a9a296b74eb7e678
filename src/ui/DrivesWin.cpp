#include "ui/Drives.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

QString systemDriveRoot()
{
    return u"C:/"_s;
}

QStringList SystemDrives::roots() const
{
    QStringList roots;
    const DWORD letters = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (letters & (DWORD(1) << i))
            roots.append(QChar(u'A' + i) + u":/"_s);
    }
    return roots;
}

bool SystemDrives::isReadable(const QString &root) const
{
    // An empty drive is reported by the dialog itself, not by the system's "insert a disk" box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const std::wstring path = QDir::toNativeSeparators(root).toStdWString();
    const bool ready = GetVolumeInformationW(path.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(previousMode);
    const QFileInfo folder(root);
    return ready && folder.isDir() && folder.isReadable();
}

} // namespace velkaro::ui
