#include "ui/Drives.h"

#include <QDir>

namespace velkaro::ui {

bool isSameOrBelow(const QString &path, const QString &folder)
{
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(prefix);
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

} // namespace velkaro::ui
