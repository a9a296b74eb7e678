#include "database/table/TableBuilder.h"

#include "database/core/DatabaseError.h"

namespace velkaro::database {

void TableBuilder::columns(std::vector<ColumnInfo> columns)
{
    if (!m_columns.empty() || m_rowCount != 0)
        throw DatabaseError("table columns given twice");
    m_values.clear();
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_values.push_back(std::make_unique<TextColumn>());
    m_columns = std::move(columns);
}

void TableBuilder::row(std::span<const FieldView> fields)
{
    if (fields.size() != m_columns.size() || m_columns.empty())
        throw DatabaseError("row does not match the table's columns");
    for (std::size_t i = 0; i < fields.size(); ++i)
        m_values[i]->append(fields[i]);
    ++m_rowCount;
}

void TableBuilder::rowOf(const Table &table, std::span<const std::size_t> columns, std::uint32_t row)
{
    if (columns.size() != m_columns.size() || m_columns.empty())
        throw DatabaseError("row does not match the table's columns");
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_values[i]->appendRowOf(table.values(columns[i]), row);
    ++m_rowCount;
}

void TableBuilder::append(TableBuilder &&next)
{
    if (next.m_columns != m_columns)
        throw DatabaseError("parts of a table differ in their columns");
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        m_values[i]->appendColumn(std::move(*next.m_values[i]));
        next.m_values[i].reset();
    }
    m_rowCount += next.m_rowCount;
    next.m_columns.clear();
    next.m_values.clear();
    next.m_rowCount = 0;
}

std::shared_ptr<const Table> TableBuilder::take()
{
    for (const auto &values : m_values)
        values->finish();
    auto table = std::make_shared<const Table>(std::move(m_columns), std::move(m_values), m_rowCount);
    m_columns.clear();
    m_values.clear();
    m_rowCount = 0;
    return table;
}

} // namespace velkaro::database
