#include "database/readtable/ProcessCpuTime.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <QByteArray>
#include <QFile>
#include <QList>

#include <unistd.h>
#endif

namespace velkaro::database {

#if defined(Q_OS_WIN)

std::optional<std::chrono::milliseconds> processCpuTime(qint64 pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return std::nullopt;
    FILETIME created, exited, kernel, user;
    const bool known = GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    if (!known)
        return std::nullopt;
    const auto hundredNs = [](const FILETIME &time) {
        return (quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return std::chrono::milliseconds((hundredNs(kernel) + hundredNs(user)) / 10000);
}

#elif defined(Q_OS_LINUX)

std::optional<std::chrono::milliseconds> processCpuTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    // pid (comm) state ppid ... utime stime: the 14th and 15th fields, in clock ticks.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (fields.size() < 13 || ticksPerSecond <= 0)
        return std::nullopt;
    bool userRead = false;
    bool systemRead = false;
    const qulonglong ticks = fields.at(11).toULongLong(&userRead) + fields.at(12).toULongLong(&systemRead);
    if (!userRead || !systemRead)
        return std::nullopt;
    return std::chrono::milliseconds(ticks * 1000 / qulonglong(ticksPerSecond));
}

#else

std::optional<std::chrono::milliseconds> processCpuTime(qint64)
{
    return std::nullopt;
}

#endif

} // namespace velkaro::database
