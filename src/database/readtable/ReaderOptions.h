#pragma once

#include <chrono>
#include <cstdint>

namespace velkaro::database {

// From what file size a whole-table read uses two readers at once: 16 MB on a machine with four cores or
// more, never on a smaller one.
std::int64_t defaultPartThreshold();

// How the reader client runs its readers; the program uses the defaults, tests pass their own.
struct ReaderOptions
{
    // How long a reader may show no sign of progress before it is given up.
    std::chrono::milliseconds stallTimeout {5000};
    // From what file size readWholeTable reads a table with two readers at once, each streaming half of its
    // pages.
    std::int64_t partThreshold = defaultPartThreshold();
};

} // namespace velkaro::database
