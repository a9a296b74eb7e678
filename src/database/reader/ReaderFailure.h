#pragma once

#include "database/readtable/ReaderProtocol.h"

#include <string>

namespace velkaro::reader {

// Why a table could not be streamed whole.
struct ReaderFailure
{
    database::reader_protocol::ReaderError error;
    std::string detail;
};

// Throws ReaderFailure with `detail` cut to a length the protocol carries.
[[noreturn]] inline void fail(database::reader_protocol::ReaderError error, std::string detail)
{
    constexpr std::size_t kDetailLimit = 4096;
    if (detail.size() > kDetailLimit)
        detail.resize(kDetailLimit);
    throw ReaderFailure {error, std::move(detail)};
}

} // namespace velkaro::reader
