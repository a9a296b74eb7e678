#include "database/reader/TableDefinitionCheck.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro::reader {

namespace {

bool isText(int type)
{
    return type == MDB_TEXT || type == MDB_MEMO;
}

// Bytes a value of a fixed-size type takes in the row; 0 for types of no fixed size, -1 for unknown types.
int fixedWidthOf(int type)
{
    switch (type) {
    case MDB_BOOL: // kept in the null mask
    case MDB_TEXT:
    case MDB_BINARY:
    case MDB_OLE:
    case MDB_MEMO:
        return 0;
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
        return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_REPID:
        return 16;
    case 0x13: // ACE's Large Number
        return 8;
    case 0x14: // ACE's Date/Time Extended
        return 42;
    case MDB_COMPLEX: // attachments and multi-value columns: a number naming their rows elsewhere
        return 4;
    case MDB_NUMERIC:
        return 17;
    default:
        return -1;
    }
}

std::optional<std::string> columnProblem(const MdbColumn &column, bool jet3, int pageSize, unsigned int maxColumns)
{
    const int width = fixedWidthOf(column.col_type);
    if (width < 0)
        return "unknown type " + std::to_string(column.col_type);
    if (column.col_num >= int(maxColumns))
        return "column number out of range";
    const bool longValue = column.col_type == MDB_MEMO || column.col_type == MDB_OLE;
    if (width > 0 || column.col_type == MDB_BOOL) {
        if (!column.is_fixed)
            return "a fixed-size type stored as variable";
        if (column.col_type != MDB_BOOL && column.col_size != width)
            return "size " + std::to_string(column.col_size) + " for its type";
    } else if (longValue && column.is_fixed) {
        return "a long value stored as fixed";
    }
    if (column.col_type == MDB_TEXT && (column.col_size <= 0 || column.col_size > (jet3 ? 255 : 510)))
        return "text size " + std::to_string(column.col_size);
    if (column.is_fixed && column.col_type != MDB_BOOL
        && (column.fixed_offset < 0 || column.fixed_offset + column.col_size > pageSize))
        return "fixed offset out of the row";
    if (!column.is_fixed && column.var_col_num >= maxColumns)
        return "variable column index out of range";
    if (isDirectoryColumn(column.name) && !isText(column.col_type) && !isNumberType(column.col_type))
        return "a directory column of type " + std::to_string(column.col_type);
    return std::nullopt;
}

} // namespace

// Each directory column holds a text, or a number shown as text (a line-type code may be either).
bool isDirectoryColumn(const char *name)
{
    static constexpr std::array<std::string_view, 5> kNames = {"ABONENT", "PHONE", "ADDRESS", "COMMENT", "NO_TYPE"};
    return std::any_of(
        kNames.begin(), kNames.end(), [name](std::string_view known) { return strcasecmp(name, known.data()) == 0; });
}

bool isNumberType(int type)
{
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
    case 0x13:
        return true;
    default:
        return false;
    }
}

std::optional<std::string> tableDefinitionProblem(MdbHandle *mdb, MdbTableDef *table)
{
    if (!mdb_read_pg(mdb, table->entry->table_pg))
        return "definition page unreadable";
    // The columns a row may hold, deleted ones included; column numbers and variable indexes stay below it.
    const unsigned int maxColumns = mdb_get_int16(mdb->pg_buf, mdb->fmt->tab_num_cols_offset - 4);
    const bool jet3 = IS_JET3(mdb);
    const int pageSize = int(mdb->fmt->pg_size);
    if (table->num_cols > maxColumns || table->num_var_cols > maxColumns)
        return "more columns than a row holds";

    unsigned int variableColumns = 0;
    std::set<int> numbers;
    std::set<unsigned int> variableIndexes;
    std::vector<std::pair<int, int>> fixedSpans;
    std::vector<std::string_view> names;
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        const auto &column = *static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, i));
        if (const auto problem = columnProblem(column, jet3, pageSize, maxColumns))
            return std::string(column.name) + ": " + *problem;
        if (!numbers.insert(column.col_num).second)
            return std::string(column.name) + ": column number used twice";
        if (!column.is_fixed) {
            ++variableColumns;
            if (!variableIndexes.insert(column.var_col_num).second)
                return std::string(column.name) + ": variable column index used twice";
        } else if (column.col_size > 0) {
            fixedSpans.emplace_back(column.fixed_offset, column.fixed_offset + column.col_size);
        }
        if (column.name[0] == '\0')
            return "a column without a name";
        for (std::string_view name : names) {
            if (strcasecmp(name.data(), column.name) == 0)
                return std::string(column.name) + ": name used twice";
        }
        names.emplace_back(column.name);
    }
    if (variableColumns > table->num_var_cols)
        return "more variable columns than the definition counts";
    std::sort(fixedSpans.begin(), fixedSpans.end());
    for (std::size_t i = 1; i < fixedSpans.size(); ++i) {
        if (fixedSpans[i].first < fixedSpans[i - 1].second)
            return "fixed columns overlap";
    }
    return std::nullopt;
}

} // namespace velkaro::reader
