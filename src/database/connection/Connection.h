#pragma once

#include <QString>

#include <memory>

namespace velkaro::database {

class Table;

// A connection to one Access file, opened with an ODBC connection text. Open fails (DatabaseError)
// when the driver is not the Access driver, DBQ is missing, or the file cannot be read; opening an
// open connection fails too. Closed again by Close and reusable afterwards.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void Open(const QString &connectionString);
    void Close();
    bool isOpen() const;

    // The table `name` of the open file; throws DatabaseError when there is none.
    std::shared_ptr<const Table> table(const QString &name) const;

private:
    std::shared_ptr<const Table> m_base;
    bool m_open = false;
};

} // namespace velkaro::database
