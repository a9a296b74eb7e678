#include "database/table/TableCache.h"

#include "database/core/DatabaseError.h"
#include "database/table/FileStamp.h"
#include "database/table/ReadWholeTable.h"

#include <QStringList>

namespace velkaro::database {

namespace {

struct CachedTable
{
    FileStamp stamp;
    std::shared_ptr<const Table> table;
};

CachedTable &cache()
{
    static CachedTable cached;
    return cached;
}

void checkDirectoryColumns(const Table &table)
{
    for (const QString &name : {QStringLiteral("ABONENT"), QStringLiteral("PHONE"), QStringLiteral("ADDRESS"),
             QStringLiteral("COMMENT"), QStringLiteral("NO_TYPE")}) {
        if (!table.columnIndex(name))
            throw DatabaseError("the directory table lacks a column");
    }
}

} // namespace

std::shared_ptr<const Table> directoryTable(const QString &path)
{
    const auto stamp = stampOf(path);
    if (!stamp)
        throw DatabaseError("database file missing or unreadable");
    CachedTable &cached = cache();
    if (cached.table && cached.stamp == *stamp)
        return cached.table;
    // Drop the old table first, so that two decoded files never share memory.
    cached = {};
    auto table = readWholeTable(stamp->path, QStringLiteral("Base"));
    checkDirectoryColumns(*table);
    cached = {*stamp, table};
    return table;
}

void clearDirectoryTableCache()
{
    cache() = {};
}

} // namespace velkaro::database
