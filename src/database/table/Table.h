#pragma once

#include "database/readtable/TableSource.h"
#include "database/table/TextColumn.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace velkaro::database {

// One decoded table held in memory: its columns in file order and their values. Built once by
// TableBuilder and shared read-only afterwards.
class Table
{
public:
    Table(std::vector<ColumnInfo> columns, std::vector<std::unique_ptr<TextColumn>> values, std::uint32_t rowCount);

    const std::vector<ColumnInfo> &columns() const { return m_columns; }
    std::uint32_t rowCount() const { return m_rowCount; }

    // The position of the column called `name`, matched without regard to case.
    std::optional<std::size_t> columnIndex(const QString &name) const;
    const TextColumn &values(std::size_t column) const { return *m_values[column]; }

private:
    std::vector<ColumnInfo> m_columns;
    std::vector<std::unique_ptr<TextColumn>> m_values;
    std::uint32_t m_rowCount;
};

} // namespace velkaro::database
