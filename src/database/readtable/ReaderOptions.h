#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

namespace velkaro::database {

// From what file size a whole-table read uses two readers at once: 16 MB on a machine with four cores or
// more, never on a smaller one.
std::int64_t defaultPartThreshold();
// From what file size a read of chosen columns uses two readers at once: 16 MB on a machine with two cores or more.
// The program's share of a few columns is light, so two readers pay off where two whole-table readers do not.
std::int64_t defaultChosenColumnsPartThreshold();

// How the reader client runs its readers; the program uses the defaults, tests pass their own.
struct ReaderOptions
{
    // A reader without output that keeps the CPU busy this long is hung.
    std::chrono::milliseconds stallTimeout {5000};
    // How long a reader without output may wait (for a slow disk or a busy share) before it is given up.
    std::chrono::milliseconds waitTimeout {60000};
    // The reader program; empty: the program's own.
    QString program;
    // From what file size readWholeTable reads a table with two readers at once, each streaming half of its
    // pages.
    std::int64_t partThreshold = defaultPartThreshold();
    // The same for readChosenColumns.
    std::int64_t chosenColumnsPartThreshold = defaultChosenColumnsPartThreshold();
};

} // namespace velkaro::database
