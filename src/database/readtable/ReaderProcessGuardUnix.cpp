#include "database/readtable/ReaderProcessGuard.h"

namespace velkaro::database {

// The reader sets its own memory ceiling and system-call filter; QProcess closes every other descriptor.
struct ReaderProcessGuard::Platform
{ };

ReaderProcessGuard::ReaderProcessGuard(QProcess &, std::uint64_t) { }

ReaderProcessGuard::~ReaderProcessGuard() = default;

bool ReaderProcessGuard::confine()
{
    return true;
}

} // namespace velkaro::database
