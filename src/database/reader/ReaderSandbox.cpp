#include "database/reader/ReaderSandbox.h"

#include "database/reader/ReaderLockDown.h"
#include "database/reader/ReaderTableStream.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
// Enough of the library's text to tell what it met.
constexpr long long kLibraryTextKept = 4096;
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
    // An empty part of MDBPATH loops forever; the others change how the library decodes or prints.
    for (const char *name : {"MDBPATH", "MDBICONV", "MDBOPTS", "MDB_JET3_CHARSET"})
        unsetenv(name);

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
    std::FILE *libraryText = std::tmpfile();
    if (m_protocolFd < 0 || devNull < 0 || !libraryText)
        return false;
#ifdef F_SETPIPE_SZ
    // Not a pipe, or a system ceiling below it: the stream is only slower.
    fcntl(m_protocolFd, F_SETPIPE_SZ, kProtocolPipeSize);
#endif
    if (dup2(devNull, STDOUT_FILENO) < 0 || dup2(fileno(libraryText), STDERR_FILENO) < 0)
        return false;
    close(devNull);
    m_libraryTextFd = STDERR_FILENO;
    return true;
}

void ReaderSandbox::lockDown()
{
    // Without enter(), the caller is not the reader process but a test calling the reader's code in its own.
    if (!kLockDown || m_libraryTextFd < 0)
        return;
    if (lockDownProcess(m_protocolFd, m_libraryTextFd) == Protection::Failed)
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

bool ReaderSandbox::libraryPrinted() const
{
    struct stat info
    {
    };
    return fstat(m_libraryTextFd, &info) != 0 || info.st_size > m_libraryTextTaken;
}

std::string ReaderSandbox::takeLibraryText()
{
    struct stat info
    {
    };
    if (fstat(m_libraryTextFd, &info) != 0 || info.st_size <= m_libraryTextTaken)
        return {};
    std::string text(static_cast<std::size_t>(std::min(info.st_size - m_libraryTextTaken, kLibraryTextKept)), '\0');
    const ssize_t got = pread(m_libraryTextFd, text.data(), text.size(), m_libraryTextTaken);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    m_libraryTextTaken = info.st_size;
    return text;
}

} // namespace velkaro::reader
