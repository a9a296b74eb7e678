#include "LibMdbTable.h"

#include <mdbsql.h>
#include <mdbtools.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct HandleCloser
{
    void operator()(MdbHandle *handle) const { mdb_close(handle); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
struct SqlCloser
{
    void operator()(MdbSQL *sql) const { mdb_sql_exit(sql); }
};

std::optional<QString> boundValue(const char *buffer, int length)
{
    if (length <= 0)
        return std::nullopt;
    return QString::fromUtf8(buffer, length);
}

} // namespace

bool readWithLibMdb(const QString &path, const QString &tableName, LibMdbTable *out, QString *error)
{
    const std::unique_ptr<MdbHandle, HandleCloser> handle(mdb_open(path.toLocal8Bit().constData(), MDB_NOFLAGS));
    if (!handle) {
        *error = u"libmdb cannot open %1"_s.arg(path);
        return false;
    }
    if (!mdb_read_catalog(handle.get(), MDB_TABLE)) {
        *error = u"libmdb cannot read the catalogue"_s;
        return false;
    }
    for (guint i = 0; i < handle->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(handle->catalog, i));
        if (entry->object_type != MDB_TABLE)
            continue;
        QStringList &names = mdb_is_system_table(entry) ? out->systemTables : out->userTables;
        names.append(QString::fromUtf8(entry->object_name));
    }
    QByteArray name = tableName.toUtf8();
    const std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table_by_name(handle.get(), name.data(), MDB_TABLE));
    if (!table) {
        *error = u"libmdb finds no table %1"_s.arg(tableName);
        return false;
    }
    mdb_read_columns(table.get());
    mdb_read_indices(table.get()); // reads on from where the column definitions end
    mdb_rewind_table(table.get());
    out->definitionRowCount = table->num_rows;
    const int columnCount = int(table->num_cols);
    std::vector<std::vector<char>> buffers(size_t(columnCount), std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> lengths(static_cast<size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i) {
        auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, guint(i)));
        out->columns.append({QString::fromUtf8(column->name), column->col_type, column->col_size});
        mdb_bind_column(table.get(), i + 1, buffers[size_t(i)].data(), &lengths[size_t(i)]);
    }
    while (mdb_fetch_row(table.get())) {
        LibMdbRow row;
        for (int i = 0; i < columnCount; ++i)
            row.append(boundValue(buffers[size_t(i)].data(), lengths[size_t(i)]));
        out->rows.append(row);
    }
    for (guint i = 0; i < table->num_idxs; ++i) {
        auto *index = static_cast<MdbIndex *>(g_ptr_array_index(table->indices, i));
        LibMdbIndex read {QString::fromUtf8(index->name), int(index->num_keys), {}};
        MdbIndexChain chain {};
        guint32 page = 0;
        guint16 row = 0;
        while (read.rowsInKeyOrder.size() <= out->rows.size()
            && mdb_index_find_next(handle.get(), index, &chain, &page, &row))
            read.rowsInKeyOrder.append(page << 8 | row);
        out->indexes.append(read);
    }
    return true;
}

bool queryWithLibMdbSql(const QString &path, const QString &query, QList<LibMdbRow> *rows, QString *error)
{
    const std::unique_ptr<MdbSQL, SqlCloser> sql(mdb_sql_init());
    QByteArray file = path.toLocal8Bit();
    if (!mdb_sql_open(sql.get(), file.data())) {
        *error = u"libmdbsql cannot open %1"_s.arg(path);
        return false;
    }
    mdb_sql_run_query(sql.get(), query.toUtf8().constData());
    if (mdb_sql_has_error(sql.get())) {
        *error = QString::fromUtf8(mdb_sql_last_error(sql.get()));
        return false;
    }
    const int columnCount = int(sql->num_columns);
    std::vector<std::vector<char>> buffers(size_t(columnCount), std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> lengths(static_cast<size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i)
        mdb_sql_bind_column(sql.get(), i + 1, buffers[size_t(i)].data(), &lengths[size_t(i)]);
    while (mdb_sql_fetch_row(sql.get(), sql->cur_table)) {
        LibMdbRow row;
        for (int i = 0; i < columnCount; ++i)
            row.append(boundValue(buffers[size_t(i)].data(), lengths[size_t(i)]));
        rows->append(row);
    }
    mdb_sql_reset(sql.get());
    return true;
}
