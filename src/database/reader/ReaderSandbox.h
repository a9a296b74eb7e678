#pragma once

#include <cstdint>

namespace velkaro::reader {

// Shields the operator from what a damaged or crafted file does to the reader: a memory ceiling, no core dumps or
// crash boxes, stray printing kept off the protocol stream and the terminal, and a lock-down that leaves code a
// crafted file takes over no way out of the process (on Linux a seccomp filter and Landlock; on Windows the
// program's job object and the process's mitigation policies).
class ReaderSandbox
{
public:
    // Returns false when a protection could not be set up.
    bool enter();
    // Once the file is open and before a byte of it is parsed: from here on the reader may only read the files it
    // holds, write the protocol, use its memory and end (see lockDownProcess); a kernel without seccomp leaves it
    // unlocked. Does nothing unless enter() ran; throws ReaderFailure when it fails.
    void lockDown();
    // Raises the memory ceiling for a file of `fileBytes`, whose longest values take memory in proportion (on
    // Windows the program's job object has done so).
    void allowMemoryFor(std::uint64_t fileBytes);

    // The descriptor the protocol is written to (the original stdout).
    int protocolFd() const { return m_protocolFd; }

private:
    int m_protocolFd = -1;
    bool m_entered = false;
};

} // namespace velkaro::reader
