// guard-probe HANDLE: prints whether it runs in a job and whether the handle value HANDLE is open in it (Wine 8 reports
// no job's limits to a process in it). guard-probe wait: waits until it is killed.
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
    DWORD flags = 0;
    const auto handle = reinterpret_cast<HANDLE>(std::strtoull(argv[1], nullptr, 10));
    std::printf("job %d handle %d\n", int(inJob), int(GetHandleInformation(handle, &flags) != 0));
    return 0;
}
