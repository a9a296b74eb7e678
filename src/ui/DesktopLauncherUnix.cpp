#include "ui/DesktopLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace velkaro::ui {

// The desktop has no show mode for a page or a program; the new window comes up as the desktop places it.

// False when the desktop has no launcher for the page (xdg-open missing, say).
bool DesktopLauncher::openPage(const QString &path, int)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopLauncher::startProgram(const QString &path, int)
{
    return QProcess::startDetached(path, {});
}

} // namespace velkaro::ui
