#include "ui/DesktopLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace velkaro::ui {

// The desktop has no show mode for a page or a program; the new window comes up as the desktop places it.

void DesktopLauncher::openPage(const QString &path, int)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopLauncher::startProgram(const QString &path, int)
{
    return QProcess::startDetached(path, {});
}

} // namespace velkaro::ui
