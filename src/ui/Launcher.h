#pragma once

#include <QString>

namespace velkaro::ui {

// Starts things outside the program; tests replace it and record what would have started.
class Launcher
{
public:
    virtual ~Launcher() = default;
    // Shows a local page in the desktop's viewer; false when no viewer could be started. On Windows it runs
    // WinExec("explorer " + path, showMode) and ignores the result, so it is never false.
    virtual bool openPage(const QString &path, int showMode) = 0;
    // Starts a program file as a new process without waiting for it; false when it cannot start.
    virtual bool startProgram(const QString &path, int showMode) = 0;
};

// show mode 1: shown normally and activated
inline constexpr int kShowNormal = 1;

} // namespace velkaro::ui
