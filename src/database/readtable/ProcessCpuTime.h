#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace velkaro::database {

// CPU time the running process `pid` has used so far, user and system together; nothing where the platform
// does not tell.
std::optional<std::chrono::milliseconds> processCpuTime(qint64 pid);

} // namespace velkaro::database
