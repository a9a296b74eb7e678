#include "database/readtable/ProcessCpuTime.h"

#include <windows.h>

namespace velkaro::database {

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

} // namespace velkaro::database
