#include "database/connection/Connection.h"

#include "database/connection/ComparedColumnsSelect.h"
#include "database/connection/OdbcConnectionString.h"
#include "database/core/DatabaseError.h"
#include "database/evaluation/Statement.h"
#include "database/table/ReadByPlace.h"
#include "database/table/Table.h"
#include "database/table/TableCache.h"

namespace velkaro::database {

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::Open(const QString &connectionString)
{
    if (m_open)
        throw DatabaseError("the connection is already open");
    const auto file = accessDatabaseFile(connectionString);
    if (!file)
        throw DatabaseError("data source name not found and no default driver specified");
    // A file kept, or being read, answers from its whole table. Any other file is checked by reading its table's
    // columns without a row; its search reads no more than it needs, and the whole table follows in the background.
    if (directoryTableKept(*file)) {
        m_base = directoryTable(*file);
    } else {
        m_columnsOnly = readPlacedRows(*file, QStringLiteral("Base"), {});
        checkDirectoryColumns(*m_columnsOnly);
    }
    m_path = *file;
    m_open = true;
}

void Connection::Close()
{
    if (!m_open)
        throw DatabaseError("the connection is closed");
    m_base.reset();
    m_columnsOnly.reset();
    m_open = false;
}

bool Connection::isOpen() const
{
    return m_open;
}

Selection Connection::select(const Statement &statement) const
{
    if (!m_open)
        throw DatabaseError("the connection is closed");
    if (statement.table.compare(u"Base", Qt::CaseInsensitive) != 0)
        throw DatabaseError("unknown table");
    if (m_base)
        return selectFromTable(m_base, statement);
    return selectReadingComparedColumns(m_path, statement, m_columnsOnly);
}

} // namespace velkaro::database
