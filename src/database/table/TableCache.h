#pragma once

#include "database/table/Table.h"

#include <QString>

#include <atomic>
#include <memory>

namespace velkaro::database {

// The directory table of the Access file at `path`, decoded once and kept for the run: the last file read
// is reused while its path, size and modification time stay the same, and read again when they change.
// Throws DatabaseError when the file cannot be read or lacks the table `Base` with the columns ABONENT,
// PHONE, ADDRESS, COMMENT and NO_TYPE.
std::shared_ptr<const Table> directoryTable(const QString &path);

// Throws DatabaseError unless `table` has the columns ABONENT, PHONE, ADDRESS, COMMENT and NO_TYPE.
void checkDirectoryColumns(const Table &table);

// Whether the table of the file at `path`, as it is now, is kept or being read.
bool directoryTableKept(const QString &path);

// Reads the directory table of `path` into the kept table unless it is kept or being read already, and builds
// its phone index; blocks until done or until `stop` is set. A search that needs the file meanwhile waits for
// this read. Failures are kept to itself: the search that needs the file reads it again and reports.
void readDirectoryTableAhead(const QString &path, std::atomic<bool> &stop);

// Builds the phone index of the kept table of `path`, if there is one and it has none; for a table that a
// search read itself. `stop` set beforehand skips the build.
void indexKeptDirectoryTable(const QString &path, std::atomic<bool> &stop);

// Forgets the kept table.
void clearDirectoryTableCache();

} // namespace velkaro::database
