#pragma once

#include "database/table/Table.h"

#include <QString>

#include <memory>

namespace velkaro::database {

// The directory table of the Access file at `path`, decoded once and kept for the run: the last file read
// is reused while its path, size and modification time stay the same, and read again when they change.
// Throws DatabaseError when the file cannot be read or lacks the table `Base` with the columns ABONENT,
// PHONE, ADDRESS, COMMENT and NO_TYPE.
std::shared_ptr<const Table> directoryTable(const QString &path);

// Forgets the kept table.
void clearDirectoryTableCache();

} // namespace velkaro::database
