#include "database/table/ReadWholeTable.h"

#include "database/readtable/ReadParts.h"
#include "database/readtable/ReaderOptions.h"
#include "database/table/TableBuilder.h"

#include <QFileInfo>

#include <atomic>
#include <vector>

namespace velkaro::database {

namespace {

// Two readers, each stream decoded by its own thread: four busy processes, so only worth it on four cores or more.
constexpr std::uint32_t kParts = 2;

} // namespace

std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, const ReaderOptions &options)
{
    std::atomic<bool> stop = false;
    return readWholeTable(mdbPath, tableName, stop, options);
}

std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, std::atomic<bool> &stop, const ReaderOptions &options)
{
    std::vector<TableBuilder> parts(QFileInfo(mdbPath).size() >= options.partThreshold ? kParts : 1);
    std::vector<RowSink *> sinks;
    for (TableBuilder &part : parts)
        sinks.push_back(&part);
    readParts(mdbPath, tableName, {}, sinks, stop, options);
    for (std::size_t index = 1; index < parts.size(); ++index)
        parts.front().append(std::move(parts[index]));
    return parts.front().take();
}

} // namespace velkaro::database
