#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What libmdb (mdbtools) reads from a file, as plain values. libmdb reports the empty text like NULL, so both
// arrive as std::nullopt.
using LibMdbRow = QList<std::optional<QString>>;

struct LibMdbColumn
{
    QString name;
    int type = 0;
    int size = 0;
};

// An index as libmdb reads its definition, and the rows (page << 8 | row) it walks through the index's pages.
struct LibMdbIndex
{
    QString name;
    int keyColumns = 0;
    QList<quint32> rowsInKeyOrder;
};

struct LibMdbTable
{
    QStringList userTables;
    QStringList systemTables;
    QList<LibMdbColumn> columns;
    qint64 definitionRowCount = 0;
    QList<LibMdbIndex> indexes;
    QList<LibMdbRow> rows;
};

bool readWithLibMdb(const QString &path, const QString &table, LibMdbTable *out, QString *error);

// Runs one SELECT through libmdbsql and returns the rows it yields.
bool queryWithLibMdbSql(const QString &path, const QString &query, QList<LibMdbRow> *rows, QString *error);
