#pragma once

#include "ui/Launcher.h"

namespace velkaro::ui {

// The launcher of the running program: the desktop's page viewer and real processes.
class DesktopLauncher : public Launcher
{
public:
    bool openPage(const QString &path, int showMode) override;
    bool startProgram(const QString &path, int showMode) override;
};

} // namespace velkaro::ui
