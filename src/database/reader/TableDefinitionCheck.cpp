#include "database/reader/TableDefinitionCheck.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>
#include <vector>

namespace velkaro::reader {

namespace {

bool isText(ColumnType type)
{
    return type == ColumnType::Text || type == ColumnType::Memo;
}

// Bytes a value of a fixed-size type takes in the row; 0 for types of no fixed size, -1 for unknown types.
int fixedWidthOf(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean: // kept in the null mask
    case ColumnType::Text:
    case ColumnType::Binary:
    case ColumnType::Ole:
    case ColumnType::Memo:
        return 0;
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
    case ColumnType::Single:
    case ColumnType::Complex: // a number naming its rows elsewhere
        return 4;
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::LargeNumber:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Numeric:
        return 17;
    case ColumnType::ExtendedDateTime:
        return 42;
    }
    return -1;
}

char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::optional<std::string> columnProblem(
    const ColumnDefinition &column, bool jet3, std::uint32_t pageSize, unsigned maxColumns)
{
    const int width = fixedWidthOf(column.type);
    if (width < 0)
        return "unknown type " + std::to_string(int(column.type));
    if (column.number >= maxColumns)
        return "column number out of range";
    const bool longValue = column.type == ColumnType::Memo || column.type == ColumnType::Ole;
    // Access may keep a value of a fixed-size type among the variable ones (a system table's Long, for one).
    if (width > 0 && column.fixed && column.size != width) {
        return "size " + std::to_string(column.size) + " for its type";
    } else if (longValue && column.fixed) {
        return "a long value stored as fixed";
    }
    if (column.type == ColumnType::Text && (column.size == 0 || column.size > (jet3 ? 255 : 510)))
        return "text size " + std::to_string(column.size);
    if (column.fixed && column.type != ColumnType::Boolean && column.fixedOffset + column.size > pageSize)
        return "fixed offset out of the row";
    if (!column.fixed && column.variableIndex >= maxColumns)
        return "variable column index out of range";
    if (isDirectoryColumn(column.name) && !isText(column.type) && !isNumberType(column.type))
        return "a directory column of type " + std::to_string(int(column.type));
    return std::nullopt;
}

} // namespace

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

// Each directory column holds a text, or a number shown as text (a line-type code may be either).
bool isDirectoryColumn(std::string_view name)
{
    static constexpr std::array<std::string_view, 5> kNames = {"ABONENT", "PHONE", "ADDRESS", "COMMENT", "NO_TYPE"};
    return std::any_of(kNames.begin(), kNames.end(), [name](std::string_view known) { return sameName(name, known); });
}

bool isNumberType(ColumnType type)
{
    switch (type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Money:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::Numeric:
    case ColumnType::LargeNumber:
        return true;
    default:
        return false;
    }
}

std::optional<std::string> tableDefinitionProblem(const TableDefinition &table, bool jet3, std::uint32_t pageSize)
{
    if (table.columns.size() > table.maxColumns || table.variableColumns > table.maxColumns)
        return "more columns than a row holds";

    unsigned variableColumns = 0;
    std::set<unsigned> numbers;
    std::set<unsigned> variableIndexes;
    std::vector<std::pair<unsigned, unsigned>> fixedSpans;
    std::vector<std::string_view> names;
    for (const ColumnDefinition &column : table.columns) {
        if (const auto problem = columnProblem(column, jet3, pageSize, table.maxColumns))
            return column.name + ": " + *problem;
        if (!numbers.insert(column.number).second)
            return column.name + ": column number used twice";
        if (!column.fixed) {
            ++variableColumns;
            if (!variableIndexes.insert(column.variableIndex).second)
                return column.name + ": variable column index used twice";
        } else if (column.size > 0 && column.type != ColumnType::Boolean) {
            // A boolean lives in the null mask; Access gives it the offset 0 and the size 1 all the same.
            fixedSpans.emplace_back(column.fixedOffset, column.fixedOffset + column.size);
        }
        if (column.name.empty())
            return "a column without a name";
        for (std::string_view name : names) {
            if (sameName(name, column.name))
                return column.name + ": name used twice";
        }
        names.emplace_back(column.name);
    }
    if (variableColumns > table.variableColumns)
        return "more variable columns than the definition counts";
    std::sort(fixedSpans.begin(), fixedSpans.end());
    for (std::size_t i = 1; i < fixedSpans.size(); ++i) {
        if (fixedSpans[i].first < fixedSpans[i - 1].second)
            return "fixed columns overlap";
    }
    return std::nullopt;
}

} // namespace velkaro::reader
