#pragma once

#include "database/reader/ReaderFailure.h"
#include "database/reader/ReaderTablePart.h"

namespace velkaro::reader {

class ReaderOutput;
class ReaderSandbox;

// Streams every row of one table of an Access file, or of one part of it, into `output`: finds the table in the
// catalogue, reads its definition, walks its pages and cracks its rows.
// Returns normally only when the whole table or part was written (the end record included); throws
// ReaderFailure otherwise. Only a whole table's row count can be checked against its definition.
void streamTable(const char *path, const char *tableName, TablePart part, ReaderSandbox &sandbox, ReaderOutput &output);

} // namespace velkaro::reader
