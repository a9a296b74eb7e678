// A table definition, its check, and the rows of a page cracked with what a definition the check accepts says.
// Input: a flags byte (bit 0: Jet 3), u16 length of the definition, the definition, u16 row start, u16 row size,
// then the page.

#include "database/reader/ReaderFailure.h"
#include "database/reader/RowCracker.h"
#include "database/reader/TableDefinition.h"
#include "database/reader/TableDefinitionCheck.h"
#include "fuzz/FuzzCheck.h"

#include <vector>

using namespace velkaro::reader;
using velkaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    static const CodePages codePages;
    const bool jet3 = data[0] & 1;
    const std::size_t length = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
    // Exact copies, so that the sanitizer sees a read past their ends.
    const std::vector<unsigned char> definition(data + 3, data + 3 + length);
    const std::uint32_t pageSize = jet3 ? 2048 : 4096;
    TableDefinition table;
    try {
        table = parseTableDefinition(definition, jet3 ? codePages.find(1251) : nullptr);
    } catch (const ReaderFailure &) {
        return 0;
    }
    if (tableDefinitionProblem(table, jet3, pageSize))
        return 0;
    for (std::size_t i = 1; i < table.columns.size(); ++i)
        require(table.columns[i - 1].number < table.columns[i].number, "columns not in the order of their numbers");

    const std::uint8_t *rest = data + 3 + length;
    if (size - 3 - length < 4)
        return 0;
    const std::uint32_t rowStart = rest[0] | rest[1] << 8;
    const std::uint32_t rowSize = rest[2] | rest[3] << 8;
    const std::vector<unsigned char> page(rest + 4, data + size);
    std::vector<ColumnLayout> layout;
    for (const ColumnDefinition &column : table.columns)
        layout.push_back({column.number, column.fixed, column.fixedOffset,
            std::uint16_t(column.type == ColumnType::Boolean ? 0 : column.size), column.variableIndex});
    std::vector<RowField> fields(layout.size());
    if (!crackRow(page, rowStart, rowSize, jet3, layout, fields.data()))
        return 0;
    for (const RowField &field : fields)
        require(field.size == 0 || field.start + field.size <= rowStart + rowSize, "value outside its row");
    return 0;
}
