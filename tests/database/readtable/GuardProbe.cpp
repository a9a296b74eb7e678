// guard-probe HANDLE: prints whether it runs in a job, the job's memory limit per process, and whether the handle
// value HANDLE is open in it. guard-probe wait: waits until it is killed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    if (argv[1][0] == 'w') {
        Sleep(INFINITE);
        return 0;
    }
    BOOL inJob = FALSE;
    IsProcessInJob(GetCurrentProcess(), nullptr, &inJob);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
    const bool limited = inJob
        && QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits, sizeof(limits), nullptr)
        && (limits.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_PROCESS_MEMORY);
    DWORD flags = 0;
    const auto handle = reinterpret_cast<HANDLE>(std::strtoull(argv[1], nullptr, 10));
    std::printf("job %d limit %llu handle %d\n", int(inJob),
        limited ? static_cast<unsigned long long>(limits.ProcessMemoryLimit) : 0ull,
        int(GetHandleInformation(handle, &flags) != 0));
    return 0;
}
