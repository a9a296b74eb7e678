#include "database/connection/Recordset.h"

#include "database/connection/Connection.h"
#include "database/connection/FieldValue.h"
#include "database/core/DatabaseError.h"
#include "database/evaluation/Statement.h"
#include "database/table/Table.h"

namespace velkaro::database {

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const QString &source, Connection &connection, CursorType cursor, LockType lock)
{
    if (m_open)
        throw DatabaseError("the result set is already open");
    if (cursor != adOpenStatic || lock != adLockOptimistic)
        throw DatabaseError("unsupported cursor or lock type");
    Selection selection = connection.select(parseStatement(source));
    m_rows = std::move(selection.rows);
    m_table = std::move(selection.table);
    m_position = 0;
    m_open = true;
}

void Recordset::Close()
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    m_table.reset();
    m_rows = {};
    m_readColumns.clear();
    m_position = 0;
    m_open = false;
}

bool Recordset::isOpen() const
{
    return m_open;
}

bool Recordset::isEOF() const
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    return m_position >= static_cast<qint64>(m_rows.size());
}

bool Recordset::isBOF() const
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    return m_rows.empty();
}

qint64 Recordset::RecordCount() const
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    return static_cast<qint64>(m_rows.size());
}

void Recordset::MoveNext()
{
    if (isEOF())
        throw DatabaseError("no current record");
    ++m_position;
    prefetchAhead();
}

void Recordset::prefetchAhead() const
{
    for (const auto &read : m_readColumns)
        m_table->values(read.second).prefetchAhead(m_rows, static_cast<std::size_t>(m_position));
}

std::size_t Recordset::column(const QString &name) const
{
    // Callers pass the same name objects record after record; shared text needs no comparing.
    for (const auto &read : m_readColumns) {
        if (read.first.constData() == name.constData() && read.first.size() == name.size())
            return read.second;
    }
    for (const auto &read : m_readColumns) {
        if (read.first == name)
            return read.second;
    }
    const auto column = m_table->columnIndex(name);
    if (!column)
        throw DatabaseError("item not found in this collection");
    m_readColumns.emplace_back(name, *column);
    return *column;
}

QVariant Recordset::Fields(const QString &columnName) const
{
    if (isEOF())
        throw DatabaseError("no current record");
    return fieldValue(*m_table, column(columnName), m_rows[static_cast<std::size_t>(m_position)]);
}

std::shared_ptr<const Table> Recordset::table() const
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    return m_table;
}

std::uint32_t Recordset::currentRow() const
{
    if (isEOF())
        throw DatabaseError("no current record");
    return m_rows[static_cast<std::size_t>(m_position)];
}

} // namespace velkaro::database
