#pragma once

#include "database/readtable/ReaderOptions.h"
#include "database/readtable/ReaderRun.h"
#include "database/readtable/TableSource.h"

#include <QString>

#include <atomic>
#include <span>

namespace velkaro::database {

// Streams a table in `sinks.size()` parts at once, part `index` into sinks[index] by a reader of its own: part 0 in
// this thread, the others in threads of their own. `request` gives what else every reader streams (its columns).
// Throws the first failure of any part, which stops the other readers, as setting `stop` does; and DatabaseError
// when the parts announce different row counts or their rows do not add up to the table's.
void readParts(const QString &mdbPath, const QString &tableName, const ReaderRequest &request,
    std::span<RowSink *const> sinks, std::atomic<bool> &stop, const ReaderOptions &options);

} // namespace velkaro::database
