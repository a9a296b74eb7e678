#pragma once

#include "ReaderProtocol.h"

#include <string>

namespace velkaro::reader {

class ReaderOutput;
class ReaderSandbox;

// Why a table could not be streamed whole.
struct ReaderFailure
{
    database::reader_protocol::ReaderError error;
    std::string detail;
};

// Streams every row of one table of an Access file through mdbtools into `output`. Returns normally only
// when the whole table was written (the end record included); throws ReaderFailure otherwise.
void streamTable(const char *path, const char *tableName, ReaderSandbox &sandbox, ReaderOutput &output);

} // namespace velkaro::reader
