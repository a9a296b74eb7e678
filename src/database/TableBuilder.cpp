#include "database/TableBuilder.h"

#include "database/DatabaseError.h"

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
