#include "ui/OrdinaryFile.h"

#include <QFileInfo>

#include <windows.h>

namespace velkaro::ui {

bool isOrdinaryFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return false;
    // Qt does not report the system attribute.
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM) == 0;
}

} // namespace velkaro::ui
