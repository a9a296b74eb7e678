#pragma once

#include "database/readtable/TableSource.h"
#include "database/table/Table.h"

#include <memory>

namespace velkaro::database {

// Builds a Table from a streamed one, copying each field once into its column store.
class TableBuilder : public RowSink
{
public:
    void columns(std::vector<ColumnInfo> columns) override;
    void row(std::span<const FieldView> fields) override;
    // Appends row `row` of `table`, its `columns` in the order of these columns, copied as stored there.
    void rowOf(const Table &table, std::span<const std::size_t> columns, std::uint32_t row);

    // Appends the rows `next` built after these, the columns being the same; `next` is empty afterwards.
    void append(TableBuilder &&next);

    // The table built so far; the builder is empty afterwards.
    std::shared_ptr<const Table> take();

private:
    std::vector<ColumnInfo> m_columns;
    std::vector<std::unique_ptr<TextColumn>> m_values;
    std::uint32_t m_rowCount = 0;
};

} // namespace velkaro::database
