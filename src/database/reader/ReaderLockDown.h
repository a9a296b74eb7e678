#pragma once

namespace velkaro::reader {

// Whether a kernel protection is in force.
enum class Protection { Enforced, NotOffered, Failed };

// From here on the calling process may only read and seek descriptors it holds, write to `protocolFd`, manage its
// own memory without making any of it executable, and end; any other system call kills it (seccomp). Landlock, where
// the kernel offers it, also denies it every file system access. Irreversible. NotOffered: the kernel has no seccomp,
// and the process runs on unlocked.
Protection lockDownProcess(int protocolFd);

// The Landlock half alone: no file can be opened, created, changed or run by path.
Protection denyFileSystem();

} // namespace velkaro::reader
