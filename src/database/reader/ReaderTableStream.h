#pragma once

#include "database/reader/ReaderFailure.h"
#include "database/reader/ReaderRequest.h"

namespace velkaro::reader {

class ReaderOutput;
class ReaderSandbox;

// Streams what `request` asks of one table of an Access file into `output`: finds the table in the catalogue, reads
// its definition, walks its pages and cracks its rows.
// Returns normally only when all of it was written (the end record included); throws ReaderFailure otherwise. Only a
// read of every row can be checked against the definition's row count.
void streamTable(
    const char *path, const char *tableName, const TableRequest &request, ReaderSandbox &sandbox, ReaderOutput &output);

} // namespace velkaro::reader
