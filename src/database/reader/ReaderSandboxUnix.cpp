#include "database/reader/ReaderSandbox.h"

#include "database/reader/ReaderLockDown.h"
#include "database/reader/ReaderTableStream.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>

namespace velkaro::reader {

namespace {

constexpr rlim_t kAddressSpaceLimit = 768ull * 1024 * 1024;
// GCC names AddressSanitizer with a macro, clang as a feature.
#if defined(__SANITIZE_ADDRESS__)
#define VELKARO_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKARO_ADDRESS_SANITIZER
#endif
#endif
#ifdef VELKARO_ADDRESS_SANITIZER
// AddressSanitizer reserves terabytes of shadow address space at start; a limit would stop it. Its reports open
// files and start a symbolizer, and its leak check traces the process at exit: a lock-down would kill each.
constexpr bool kLimitAddressSpace = false;
constexpr bool kLockDown = false;
#else
constexpr bool kLimitAddressSpace = true;
constexpr bool kLockDown = true;
#endif
// Lets the reader run ahead of the program instead of waiting on every 64 KB.
constexpr int kProtocolPipeSize = 1 << 20;

bool setLimit(int resource, rlim_t value)
{
    const rlimit limit {value, value};
    return setrlimit(resource, &limit) == 0;
}

// The hard limit stays where it is, so that allowMemoryFor can raise the ceiling later.
bool setSoftLimit(int resource, rlim_t value)
{
    rlimit limit {};
    if (getrlimit(resource, &limit) != 0)
        return false;
    limit.rlim_cur = std::min(value, limit.rlim_max);
    return setrlimit(resource, &limit) == 0;
}

} // namespace

bool ReaderSandbox::enter()
{
#ifdef __linux__
    prctl(PR_SET_DUMPABLE, 0);
    // A descriptor the program's process left open is none of the reader's business; a kernel before Linux 5.9
    // knows no close_range, and the reader goes on.
    close_range(3, ~0u, 0);
#endif
    if (!setLimit(RLIMIT_CORE, 0) || (kLimitAddressSpace && !setSoftLimit(RLIMIT_AS, kAddressSpaceLimit)))
        return false;

    m_protocolFd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (m_protocolFd < 0 || devNull < 0)
        return false;
#ifdef F_SETPIPE_SZ
    // Not a pipe, or a system ceiling below it: the stream is only slower.
    fcntl(m_protocolFd, F_SETPIPE_SZ, kProtocolPipeSize);
#endif
    // Stray printing goes nowhere; a sanitized reader keeps stderr for its reports.
#ifndef VELKARO_ADDRESS_SANITIZER
    if (dup2(devNull, STDERR_FILENO) < 0)
        return false;
#endif
    if (dup2(devNull, STDOUT_FILENO) < 0)
        return false;
    close(devNull);
    m_entered = true;
    return true;
}

void ReaderSandbox::lockDown()
{
    // Without enter(), the caller is not the reader process but a test calling the reader's code in its own.
    if (!kLockDown || !m_entered)
        return;
    if (lockDownProcess(m_protocolFd) == Protection::Failed)
        throw ReaderFailure {
            database::reader_protocol::ReaderError::LockDownFailed, "the reader cannot lock itself down"};
}

void ReaderSandbox::allowMemoryFor(std::uint64_t fileBytes)
{
    // A memo's stored bytes, their UTF-8 text and the row record that carries it; the ceiling stays where
    // the system's own limit is lower.
    if (kLimitAddressSpace)
        setSoftLimit(RLIMIT_AS, kAddressSpaceLimit + 4 * rlim_t(fileBytes));
}

} // namespace velkaro::reader
