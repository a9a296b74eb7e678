#pragma once

#include "database/connection/Connection.h"

#include <QString>

#include <memory>

namespace velkaro::database {

class Table;
struct Statement;

// The rows of `table` that `statement` selects; throws DatabaseError as bindConditions does.
Selection selectFromTable(std::shared_ptr<const Table> table, const Statement &statement);

// Answers `statement` on the file at `path` without reading its whole table: reads only the columns the statement
// compares, evaluates it on them, then reads every column of the rows selected. `columnsOnly` is the file's table
// without rows, as Open read it; the statement is checked against it before anything is read. A file that changed
// meanwhile, or a selection too large to read by place, is answered from the whole table, which is then kept.
// Throws DatabaseError as bindConditions does and when the file cannot be read.
Selection selectReadingComparedColumns(
    const QString &path, const Statement &statement, const std::shared_ptr<const Table> &columnsOnly);

} // namespace velkaro::database
