#pragma once

#include "database/readtable/ReaderOptions.h"
#include "database/table/Table.h"

#include <QString>

#include <atomic>
#include <memory>

namespace velkaro::database {

// Reads the table `tableName` of the Access file at `mdbPath` into memory. A file of `options.partThreshold`
// bytes or more is read by two reader processes at once, each streaming half of the table's data pages into
// its own builder as it arrives; the halves are joined in table order at the end. Throws DatabaseError as
// readTable does, and when the parts' rows do not add up to the table's row count.
std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, const ReaderOptions &options = {});
// The same, stopped with DatabaseError soon after `stop` is set; a failing part sets it too.
std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, std::atomic<bool> &stop, const ReaderOptions &options = {});

} // namespace velkaro::database
