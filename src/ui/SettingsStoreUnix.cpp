#include "ui/MemorySettingsStore.h"

#include <QStandardPaths>
#include <QString>

namespace velkaro::ui {

namespace {

// Desktop programs that show the machine's system information, in order of preference.
const char *const kSystemInfoPrograms[] = {
    "hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor", "mate-system-monitor"};

QString findSystemInfoProgram()
{
    for (const char *name : kSystemInfoPrograms) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace

// Answers the system information tool's path key with the first desktop tool found on PATH, stored as text with
// its terminating NUL. The tool's folder key stays absent: a Linux folder holds no MSINFO32.EXE.
std::unique_ptr<SettingsStore> makeSystemSettingsStore()
{
    auto store = std::make_unique<MemorySettingsStore>();
    const QString program = findSystemInfoProgram();
    if (!program.isEmpty()) {
        store->setValue(SettingsStore::kLocalMachine, QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
            QByteArrayLiteral("PATH"), SettingsStore::kTypeText, program.toLocal8Bit().append('\0'));
    }
    return store;
}

} // namespace velkaro::ui
