#pragma once

#include <cstdint>
#include <string>

namespace velkaro::reader {

// Shields the reader from what the library does on a damaged file: a memory ceiling, no core dumps, no
// environment the library consults, its printing kept off the protocol stream and the terminal, and a lock-down
// that leaves code a crafted file takes over no way out of the process.
class ReaderSandbox
{
public:
    // Returns false when a protection could not be set up.
    bool enter();
    // Once the file is open and before a byte of it is parsed: from here on the reader may only read the descriptors
    // it holds, write the protocol and the library's text, use its memory and end (see lockDownProcess); a kernel
    // without seccomp leaves it unlocked. Does nothing unless enter() ran; throws ReaderFailure when it fails.
    void lockDown();
    // Raises the memory ceiling for a file of `fileBytes`, whose longest values take memory in proportion.
    void allowMemoryFor(std::uint64_t fileBytes);

    // The descriptor the protocol is written to (the original stdout).
    int protocolFd() const { return m_protocolFd; }

    // Whether the library printed on stderr since the last takeLibraryText.
    bool libraryPrinted() const;
    // The start of what the library printed on stderr since the last call.
    std::string takeLibraryText();

private:
    int m_protocolFd = -1;
    int m_libraryTextFd = -1;
    long long m_libraryTextTaken = 0;
};

} // namespace velkaro::reader
