#include "database/reader/ReaderLockDown.h"

#include <seccomp.h>

#include <linux/landlock.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>

namespace velkaro::reader {

namespace {

// Every file system right the kernel's Landlock version knows; the later two are newer than Debian 12's headers.
std::uint64_t fileSystemRights(long version)
{
    constexpr std::uint64_t kTruncate = 1ull << 14; // LANDLOCK_ACCESS_FS_TRUNCATE, version 3
    constexpr std::uint64_t kDeviceIoctl = 1ull << 15; // LANDLOCK_ACCESS_FS_IOCTL_DEV, version 5
    std::uint64_t rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;
    if (version >= 2)
        rights |= LANDLOCK_ACCESS_FS_REFER;
    if (version >= 3)
        rights |= kTruncate;
    if (version >= 5)
        rights |= kDeviceIoctl;
    return rights;
}

struct FilterReleaser
{
    void operator()(void *filter) const { seccomp_release(filter); }
};

scmp_arg_cmp equals(unsigned argument, scmp_datum_t value)
{
    return {argument, SCMP_CMP_EQ, value, 0};
}

scmp_arg_cmp hasBits(unsigned argument, scmp_datum_t bits)
{
    return {argument, SCMP_CMP_MASKED_EQ, bits, bits};
}

scmp_arg_cmp lacksBits(unsigned argument, scmp_datum_t bits)
{
    return {argument, SCMP_CMP_MASKED_EQ, bits, 0};
}

Protection filterSystemCalls(int protocolFd)
{
    // Fails so only on a kernel built without seccomp.
    if (prctl(PR_GET_SECCOMP, 0, 0, 0, 0) < 0 && errno == EINVAL)
        return Protection::NotOffered;
    const std::unique_ptr<void, FilterReleaser> filter(seccomp_init(SCMP_ACT_KILL_PROCESS));
    if (!filter)
        return Protection::Failed;
    const auto allow = [&](int call, std::initializer_list<scmp_arg_cmp> conditions = {}) {
        return seccomp_rule_add_array(
                   filter.get(), SCMP_ACT_ALLOW, call, unsigned(conditions.size()), std::data(conditions))
            == 0;
    };

    bool added = true;
    // Reading the file, memory, ending. The descriptors it holds are all it can read: it can open, duplicate or
    // receive no other. abort() (a failed check in the C library) ends by SIGABRT.
    for (const int call : {SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(lseek), SCMP_SYS(fstat), SCMP_SYS(close),
             SCMP_SYS(brk), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(futex), SCMP_SYS(getpid),
             SCMP_SYS(gettid), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn), SCMP_SYS(restart_syscall),
             SCMP_SYS(exit), SCMP_SYS(exit_group)})
        added = added && allow(call);
    added = added && allow(SCMP_SYS(write), {equals(0, scmp_datum_t(protocolFd))})
        && allow(SCMP_SYS(writev), {equals(0, scmp_datum_t(protocolFd))});
    // fstat() as the C library makes it; an absolute path would still reach stat, which tells a file's size and
    // times to a process that has nowhere to send them.
    added = added && allow(SCMP_SYS(newfstatat), {hasBits(3, AT_EMPTY_PATH)})
        && allow(SCMP_SYS(mmap), {lacksBits(2, PROT_EXEC), hasBits(3, MAP_ANONYMOUS)})
        && allow(SCMP_SYS(mprotect), {lacksBits(2, PROT_EXEC)})
        && allow(SCMP_SYS(tgkill), {equals(0, scmp_datum_t(getpid())), equals(2, SIGABRT)});
    if (!added)
        return Protection::Failed;
    return seccomp_load(filter.get()) == 0 ? Protection::Enforced : Protection::Failed;
}

} // namespace

Protection denyFileSystem()
{
    // Refused, too, where a container's own filter does not know the call.
    const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (version < 0)
        return Protection::NotOffered;
    // A ruleset that handles every right and grants none.
    landlock_ruleset_attr rules {};
    rules.handled_access_fs = fileSystemRights(version);
    const long ruleset = syscall(SYS_landlock_create_ruleset, &rules, sizeof rules, 0);
    if (ruleset < 0)
        return Protection::Failed;
    const bool restricted =
        prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    close(int(ruleset));
    return restricted ? Protection::Enforced : Protection::Failed;
}

Protection lockDownProcess(int protocolFd)
{
    // Nothing the process could still run gains rights from a set-user-ID bit or file capabilities.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || denyFileSystem() == Protection::Failed)
        return Protection::Failed;
    return filterSystemCalls(protocolFd);
}

} // namespace velkaro::reader
