#include "database/Recordset.h"

#include "database/BoundCondition.h"
#include "database/Connection.h"
#include "database/DatabaseError.h"
#include "database/Evaluators.h"
#include "database/Statement.h"
#include "database/Table.h"

#include <QByteArray>

namespace velkaro::database {

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const QString &source, Connection &connection, CursorType cursor, LockType lock)
{
    if (m_open)
        throw DatabaseError("the result set is already open");
    if (cursor != adOpenStatic || lock != adLockOptimistic)
        throw DatabaseError("unsupported cursor or lock type");
    const Statement statement = parseStatement(source);
    auto table = connection.table(statement.table);
    m_rows = evaluateFast(*table, bindConditions(*table, statement));
    m_table = std::move(table);
    m_position = 0;
    m_open = true;
}

void Recordset::Close()
{
    if (!m_open)
        throw DatabaseError("the result set is closed");
    m_table.reset();
    m_rows = {};
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
}

QVariant Recordset::Fields(const QString &columnName) const
{
    if (isEOF())
        throw DatabaseError("no current record");
    const auto column = m_table->columnIndex(columnName);
    if (!column)
        throw DatabaseError("item not found in this collection");
    const TextColumn &values = m_table->values(*column);
    const std::uint32_t row = m_rows[static_cast<std::size_t>(m_position)];
    if (values.isNull(row))
        return {};
    if (m_table->columns()[*column].kind == ColumnKind::Text)
        return values.text(row);
    const std::string_view text = values.folded(row);
    bool ok = false;
    const double number = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).toDouble(&ok);
    if (!ok)
        throw DatabaseError("bad number in a numeric column");
    return number;
}

} // namespace velkaro::database
