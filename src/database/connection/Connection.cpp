#include "database/connection/Connection.h"

#include "database/connection/OdbcConnectionString.h"
#include "database/core/DatabaseError.h"
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
    m_base = directoryTable(*file);
    m_open = true;
}

void Connection::Close()
{
    if (!m_open)
        throw DatabaseError("the connection is closed");
    m_base.reset();
    m_open = false;
}

bool Connection::isOpen() const
{
    return m_open;
}

std::shared_ptr<const Table> Connection::table(const QString &name) const
{
    if (!m_open)
        throw DatabaseError("the connection is closed");
    if (name.compare(u"Base", Qt::CaseInsensitive) != 0)
        throw DatabaseError("unknown table");
    return m_base;
}

} // namespace velkaro::database
