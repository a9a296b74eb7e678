#pragma once

#include <chrono>
#include <cstdint>

namespace velkaro::database {

// How long readTable waits for any sign of progress from the reader before it gives up (default 5 s).
void setReaderStallTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds readerStallTimeout();

// From what file size readWholeTable reads a table with two readers at once, each streaming half of its
// pages: by default 16 MB on a machine with four cores or more, never on a smaller one.
void setReaderPartThreshold(std::int64_t bytes);
std::int64_t readerPartThreshold();

} // namespace velkaro::database
