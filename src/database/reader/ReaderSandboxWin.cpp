#include "database/reader/ReaderSandbox.h"

#include "database/reader/ReaderFailure.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace velkaro::reader {

namespace {

// Each mitigation the system knows is set; one it does not know (an older Windows, Wine) is left out.
template <typename Policy> void mitigate(PROCESS_MITIGATION_POLICY kind, Policy policy)
{
    SetProcessMitigationPolicy(kind, &policy, sizeof policy);
}

} // namespace

bool ReaderSandbox::enter()
{
    // A crash ends the process at once instead of waiting on an error box that nobody sees.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The protocol is bytes: the C library's text mode would turn every 0x0A into 0x0D 0x0A.
    m_protocolFd = _dup(_fileno(stdout));
    if (m_protocolFd < 0 || _setmode(m_protocolFd, _O_BINARY) < 0)
        return false;
    // Stray printing goes nowhere.
    if (!std::freopen("NUL", "w", stdout) || !std::freopen("NUL", "w", stderr))
        return false;
    m_entered = true;
    return true;
}

// The program's job object caps the reader's memory, forbids it child processes and kills it with the program;
// here the reader also gives up what a crafted file could use to run code of its own.
void ReaderSandbox::lockDown()
{
    if (!m_entered)
        return;
    PROCESS_MITIGATION_DYNAMIC_CODE_POLICY dynamicCode {};
    dynamicCode.ProhibitDynamicCode = 1;
    mitigate(ProcessDynamicCodePolicy, dynamicCode);
    PROCESS_MITIGATION_CHILD_PROCESS_POLICY childProcess {};
    childProcess.NoChildProcessCreation = 1;
    mitigate(ProcessChildProcessPolicy, childProcess);
    PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY extensionPoints {};
    extensionPoints.DisableExtensionPoints = 1;
    mitigate(ProcessExtensionPointDisablePolicy, extensionPoints);
    PROCESS_MITIGATION_IMAGE_LOAD_POLICY imageLoad {};
    imageLoad.NoRemoteImages = 1;
    imageLoad.NoLowMandatoryLabelImages = 1;
    mitigate(ProcessImageLoadPolicy, imageLoad);
}

// The job object's limit already counts the file's size.
void ReaderSandbox::allowMemoryFor(std::uint64_t)
{ }

} // namespace velkaro::reader
