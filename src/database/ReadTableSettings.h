#pragma once

#include <chrono>

namespace velkaro::database {

// How long readTable waits for any sign of progress from the reader before it gives up (default 5 s).
void setReaderStallTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds readerStallTimeout();

} // namespace velkaro::database
