#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace velkaro::database {

class Table;
struct Statement;

// The rows a statement selects: positions in `table`, ascending.
struct Selection
{
    std::shared_ptr<const Table> table;
    std::vector<std::uint32_t> rows;
};

// A connection to one Access file, opened with an ODBC connection text. Open fails (DatabaseError)
// when the driver is not the Access driver, DBQ is missing, or the file is no Access file with the directory
// table; opening an open connection fails too. Closed again by Close and reusable afterwards.
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

    // The rows of the open file that `statement` selects. Throws DatabaseError for a table other than Base, a
    // statement bindConditions refuses, or a file that cannot be read.
    Selection select(const Statement &statement) const;

private:
    QString m_path;
    // The file's whole table where it is kept; otherwise its columns without rows, as checked on opening.
    std::shared_ptr<const Table> m_base;
    std::shared_ptr<const Table> m_columnsOnly;
    bool m_open = false;
};

} // namespace velkaro::database
