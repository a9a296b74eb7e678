#include "ui/DesktopLauncher.h"

#include <windows.h>

namespace velkaro::ui {

// The shell's file browser shows the page. WinExec's result is ignored: whatever the shell shows when the page or
// the shell is missing is all the operator sees.
bool DesktopLauncher::openPage(const QString &path, int showMode)
{
    const QByteArray commandLine = (QStringLiteral("explorer ") + path).toLocal8Bit();
    WinExec(commandLine.constData(), static_cast<UINT>(showMode));
    return true;
}

// WinExec reports success with a value above 31.
bool DesktopLauncher::startProgram(const QString &path, int showMode)
{
    const QByteArray commandLine = (QLatin1Char('"') + path + QLatin1Char('"')).toLocal8Bit();
    return WinExec(commandLine.constData(), static_cast<UINT>(showMode)) > 31;
}

} // namespace velkaro::ui
