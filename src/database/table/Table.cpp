#include "database/table/Table.h"

namespace velkaro::database {

Table::Table(std::vector<ColumnInfo> columns, std::vector<std::unique_ptr<TextColumn>> values, std::uint32_t rowCount)
    : m_columns(std::move(columns))
    , m_values(std::move(values))
    , m_rowCount(rowCount)
{ }

std::optional<std::size_t> Table::columnIndex(const QString &name) const
{
    // Callers mostly spell the names as the file does; the exact comparison is much the cheaper.
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name == name)
            return i;
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

} // namespace velkaro::database
