#pragma once

#include <QtGlobal>

#include <cstdint>
#include <memory>

class QProcess;

namespace velkaro::database {

// Confines a reader process from outside where the platform needs it. On Windows the reader is created suspended,
// inherits no handle but its three standard ones, and runs in a job object that caps its memory, lets it start no
// process and kills it when the program lets go of it, also when the program dies. On Linux the reader confines
// itself.
class ReaderProcessGuard
{
public:
    // Prepares `process`, not yet started, for a reader of a file of `fileBytes`.
    ReaderProcessGuard(QProcess &process, std::uint64_t fileBytes);
    ~ReaderProcessGuard();
    ReaderProcessGuard(const ReaderProcessGuard &) = delete;
    ReaderProcessGuard &operator=(const ReaderProcessGuard &) = delete;

    // Called once the process was started: false when it could not be confined (it has then not run yet).
    bool confine();

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
};

} // namespace velkaro::database
