#pragma once

#include "ColumnDefinition.h"
#include "FieldValue.h"

#include <QString>

#include <memory>

namespace velkaro::mkbase {

// Writes a Jet 4 (.mdb) file with one table. Rows stream to a temporary file beside the target; the system pages
// are written last, when the row and page counts are known, and commit() renames the file into place. Without
// commit() the temporary file is removed.
class Jet4TableWriter
{
public:
    Jet4TableWriter();
    ~Jet4TableWriter();
    Jet4TableWriter(const Jet4TableWriter &) = delete;
    Jet4TableWriter &operator=(const Jet4TableWriter &) = delete;

    bool open(const QString &path, const QString &tableName, const QList<ColumnDefinition> &columns, QString *error);
    // Checks every row and counts the pages without writing: feeding all rows through such a writer first refuses
    // bad input and files above the format's size limit before any file is written. commit() is not called.
    bool openForCounting(const QString &tableName, const QList<ColumnDefinition> &columns, QString *error);
    // One value per column, in column order. Errors name the column, not the row: the caller knows the row.
    bool addRow(const FieldValue *values, QString *error);
    bool commit(QString *error);

    qint64 rowCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace velkaro::mkbase
