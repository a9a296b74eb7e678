#include "ui/DesktopLauncher.h"

#include <windows.h>

namespace velkaro::ui {

// WinExec reports success with a value above 31. The shell's file browser shows the page.
bool DesktopLauncher::openPage(const QString &path, int showMode)
{
    const QByteArray commandLine = (QStringLiteral("explorer ") + path).toLocal8Bit();
    return WinExec(commandLine.constData(), static_cast<UINT>(showMode)) > 31;
}

bool DesktopLauncher::startProgram(const QString &path, int showMode)
{
    const QByteArray commandLine = (QLatin1Char('"') + path + QLatin1Char('"')).toLocal8Bit();
    return WinExec(commandLine.constData(), static_cast<UINT>(showMode)) > 31;
}

} // namespace velkaro::ui
