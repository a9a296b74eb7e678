#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderOptions.h"
#include "database/readtable/ReaderRun.h"
#include "database/readtable/TableSource.h"

#include <QThread>

#include <limits>
#include <string>

namespace velkaro::database {

// Two readers and their two decoding threads pay off only with a core each; with fewer, joining the halves
// costs more than reading them side by side saves.
std::int64_t defaultPartThreshold()
{
    return QThread::idealThreadCount() >= 4 ? 16 * 1024 * 1024 : std::numeric_limits<std::int64_t>::max();
}

std::int64_t defaultChosenColumnsPartThreshold()
{
    return QThread::idealThreadCount() >= 2 ? 16 * 1024 * 1024 : std::numeric_limits<std::int64_t>::max();
}

void readTable(const QString &mdbPath, const QString &tableName, RowSink &sink, const ReaderOptions &options)
{
    const std::atomic<bool> never = false;
    ReaderRun reader(mdbPath, tableName, {}, options);
    reader.run(sink, never);
    if (reader.rows() != reader.expectedRows())
        throw DatabaseError("readTable: " + std::to_string(reader.rows()) + " rows read, the table counts "
            + std::to_string(reader.expectedRows()));
}

} // namespace velkaro::database
