#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace velkaro::database {

class Connection;
class Table;

enum CursorType { adOpenStatic = 3 };
enum LockType { adLockOptimistic = 3 };

// A static result set: Open evaluates the statement at once, so RecordCount is exact right after
// opening and the first record is current. Every misuse (open twice, read past the end, unknown
// column, rejected statement) throws DatabaseError.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    void Open(const QString &source, Connection &connection, CursorType cursor = adOpenStatic,
        LockType lock = adLockOptimistic);
    void Close();
    bool isOpen() const;

    bool isEOF() const; // EOF is a C macro
    bool isBOF() const;
    qint64 RecordCount() const;
    void MoveNext();

    // The field of the current record: an invalid QVariant for null, a QString for text columns,
    // a double for numeric columns.
    QVariant Fields(const QString &columnName) const;

    // The table the result set reads and the table row of the current record, for callers that keep the
    // records beyond the result set.
    std::shared_ptr<const Table> table() const;
    std::uint32_t currentRow() const;

private:
    std::size_t column(const QString &name) const;
    void prefetchAhead() const;

    std::shared_ptr<const Table> m_table;
    std::vector<std::uint32_t> m_rows;
    qint64 m_position = 0;
    bool m_open = false;
    // The columns read since opening, by the names they were asked for; they are the ones worth prefetching.
    mutable std::vector<std::pair<QString, std::size_t>> m_readColumns;
};

} // namespace velkaro::database
