#include "ui/OrdinaryFile.h"

#include <QFileInfo>

namespace velkaro::ui {

// Linux has no system attribute; a name beginning with a dot marks a hidden file.
bool isOrdinaryFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

} // namespace velkaro::ui
