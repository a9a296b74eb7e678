#include "database/readtable/ReaderProcessGuard.h"

#include <QProcess>

#include <algorithm>
#include <vector>

#include <windows.h>

namespace velkaro::database {

namespace {

// The ceiling the reader sets itself on Linux: a base for the reader and its library, and for a file's longest
// values a share in proportion to the file.
constexpr std::uint64_t kMemoryBase = 768ull * 1024 * 1024;
constexpr std::uint64_t kMemoryPerFileByte = 4;

} // namespace

struct ReaderProcessGuard::Platform
{
    QProcess *process = nullptr;
    std::uint64_t memoryLimit = 0;
    STARTUPINFOEXW startupInfo {};
    std::vector<HANDLE> inherited;
    std::vector<char> attributeStorage;
    bool attributesReady = false;
    PROCESS_INFORMATION *processInformation = nullptr;
    HANDLE job = nullptr;

    // Hands the child its standard handles alone, where an attribute list can say so.
    bool limitInheritance(QProcess::CreateProcessArguments *arguments)
    {
        startupInfo.StartupInfo = *arguments->startupInfo;
        startupInfo.StartupInfo.cb = sizeof(startupInfo);
        for (HANDLE handle : {startupInfo.StartupInfo.hStdInput, startupInfo.StartupInfo.hStdOutput,
                 startupInfo.StartupInfo.hStdError}) {
            if (handle && handle != INVALID_HANDLE_VALUE
                && std::find(inherited.begin(), inherited.end(), handle) == inherited.end())
                inherited.push_back(handle);
        }
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributeStorage.resize(size);
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
            return false;
        attributesReady = true;
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                inherited.size() * sizeof(HANDLE), nullptr, nullptr))
            return false;
        startupInfo.lpAttributeList = list;
        arguments->startupInfo = &startupInfo.StartupInfo;
        arguments->flags |= EXTENDED_STARTUPINFO_PRESENT;
        return true;
    }

    bool makeJob()
    {
        job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
        // The reader alone: a process it starts is refused (by Windows; Wine 8 does not hold a job to this limit).
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE
            | JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION
            | JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
        limits.BasicLimitInformation.ActiveProcessLimit = 1;
        limits.ProcessMemoryLimit = SIZE_T(memoryLimit);
        return job && SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
};

ReaderProcessGuard::ReaderProcessGuard(QProcess &process, std::uint64_t fileBytes)
    : m_platform(std::make_unique<Platform>())
{
    m_platform->process = &process;
    m_platform->memoryLimit = kMemoryBase + kMemoryPerFileByte * fileBytes;
    Platform *platform = m_platform.get();
    process.setCreateProcessArgumentsModifier([platform](QProcess::CreateProcessArguments *arguments) {
        // A reader that cannot be confined must not run at all: it starts suspended and runs only once in its job.
        arguments->flags |= CREATE_SUSPENDED;
        if (platform->limitInheritance(arguments))
            platform->processInformation = reinterpret_cast<PROCESS_INFORMATION *>(arguments->processInformation);
    });
}

// Closing the job kills a reader still in it.
ReaderProcessGuard::~ReaderProcessGuard()
{
    m_platform->process->setCreateProcessArgumentsModifier({});
    if (m_platform->job)
        CloseHandle(m_platform->job);
    if (m_platform->attributesReady) {
        DeleteProcThreadAttributeList(
            reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_platform->attributeStorage.data()));
    }
}

bool ReaderProcessGuard::confine()
{
    // QProcess frees the process information of a process that failed to start.
    if (m_platform->process->state() == QProcess::NotRunning)
        return false;
    PROCESS_INFORMATION *const process = m_platform->processInformation;
    if (!process || !process->hProcess || !m_platform->makeJob()
        || !AssignProcessToJobObject(m_platform->job, process->hProcess))
        return false;
    return ResumeThread(process->hThread) != DWORD(-1);
}

} // namespace velkaro::database
