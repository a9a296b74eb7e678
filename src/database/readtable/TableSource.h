#pragma once

#include "database/readtable/ReaderOptions.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace velkaro::database {

enum class ColumnKind { Text, Number };

struct ColumnInfo
{
    QString name;
    ColumnKind kind = ColumnKind::Text;
    bool operator==(const ColumnInfo &) const = default;
};

// One field of a streamed row: UTF-8 text as the reader renders it (numbers in C-locale notation).
struct FieldView
{
    const char *data = nullptr;
    std::uint32_t size = 0;
    bool isNull = true;
};

// Receives one table as it streams in: the columns once, then every row in table order. A read of chosen columns
// also tells, before each page's rows, the page their home slots are on.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual void columns(std::vector<ColumnInfo> columns) = 0;
    virtual void row(std::span<const FieldView> fields) = 0;
    virtual void page(std::uint32_t) { }
};

// Reads the table `tableName` of the Access file at `mdbPath` in the reader process and streams it
// into `sink`. Throws DatabaseError when the file cannot be read completely and correctly.
void readTable(const QString &mdbPath, const QString &tableName, RowSink &sink, const ReaderOptions &options = {});

} // namespace velkaro::database
