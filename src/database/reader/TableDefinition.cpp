#include "database/reader/TableDefinition.h"

#include "database/reader/Jet4Text.h"
#include "database/reader/ReaderFailure.h"

#include <algorithm>
#include <array>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

// Where a format keeps the counts, descriptors and names of a definition.
struct Layout
{
    std::size_t rowCount;
    std::size_t maxColumns;
    std::size_t variableColumns;
    std::size_t columnCount;
    std::size_t realIndexCount;
    std::size_t usageMap;
    std::size_t columnsStart;
    std::size_t realIndexEntry;
    std::size_t descriptorSize;
    // Within a descriptor.
    std::size_t number;
    std::size_t variableIndex;
    std::size_t flags;
    std::size_t fixedOffset;
    std::size_t size;
    std::size_t nameLengthBytes;
};

constexpr Layout kJet3 {12, 21, 23, 25, 31, 35, 43, 8, 18, 1, 3, 13, 14, 16, 1};
constexpr Layout kJet4 {16, 41, 43, 45, 51, 55, 63, 12, 25, 5, 7, 15, 21, 23, 2};
constexpr std::size_t kJet3CodePage = 11;
constexpr std::size_t kJet4ExtendedFlags = 16;
constexpr unsigned char kFixed = 0x01;
constexpr unsigned char kCalculated = 0xC0;
constexpr std::size_t kNumericScale = 12;
// The longest name the program takes, in UTF-8 bytes.
constexpr std::size_t kMaxNameBytes = 256;

std::uint32_t little(std::span<const unsigned char> bytes, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8) | bytes[at + i - 1];
    return value;
}

std::string nameOf(std::span<const unsigned char> stored, const CodePageTable *jet3Names)
{
    std::array<char, kMaxNameBytes> out {};
    const std::size_t size = jet3Names
        ? jet3TextToUtf8(stored.data(), stored.size(), *jet3Names, out.data(), out.size())
        : jet4TextToUtf8(stored.data(), stored.size(), out.data(), out.size());
    if (size == kTextDoesNotFit)
        fail(ReaderError::DefinitionUnreadable, "a column name longer than a name can be");
    return {out.data(), size};
}

} // namespace

TableDefinition parseTableDefinition(std::span<const unsigned char> definition, const CodePageTable *jet3Names)
{
    const Layout &layout = jet3Names ? kJet3 : kJet4;
    if (definition.size() < layout.columnsStart)
        fail(ReaderError::DefinitionUnreadable, "definition shorter than its header");
    TableDefinition table;
    table.rowCount = little(definition, layout.rowCount, 4);
    table.maxColumns = little(definition, layout.maxColumns, 2);
    table.variableColumns = little(definition, layout.variableColumns, 2);
    table.usageMap = RowPointer::of(little(definition, layout.usageMap, 4));

    const std::uint64_t columns = little(definition, layout.columnCount, 2);
    const std::uint64_t start =
        layout.columnsStart + layout.realIndexEntry * std::uint64_t(little(definition, layout.realIndexCount, 4));
    if (start + columns * layout.descriptorSize > definition.size())
        fail(ReaderError::DefinitionUnreadable, "column descriptors beyond the definition");
    std::size_t nameAt = std::size_t(start + columns * layout.descriptorSize);
    for (std::uint64_t i = 0; i < columns; ++i) {
        const std::size_t at = std::size_t(start + i * layout.descriptorSize);
        ColumnDefinition column;
        column.type = ColumnType(definition[at]);
        column.number = definition[at + layout.number];
        column.variableIndex = std::uint16_t(little(definition, at + layout.variableIndex, 2));
        column.fixed = (definition[at + layout.flags] & kFixed) != 0;
        column.fixedOffset = std::uint16_t(little(definition, at + layout.fixedOffset, 2));
        column.size = std::uint16_t(little(definition, at + layout.size, 2));
        if (jet3Names)
            column.codePage = std::uint16_t(little(definition, at + kJet3CodePage, 2));
        else
            column.calculated = (definition[at + kJet4ExtendedFlags] & kCalculated) != 0;
        if (column.type == ColumnType::Numeric)
            column.scale = definition[at + kNumericScale];

        if (nameAt + layout.nameLengthBytes > definition.size())
            fail(ReaderError::DefinitionUnreadable, "column names beyond the definition");
        const std::size_t length = little(definition, nameAt, layout.nameLengthBytes);
        nameAt += layout.nameLengthBytes;
        if (length > definition.size() - nameAt)
            fail(ReaderError::DefinitionUnreadable, "column names beyond the definition");
        column.name = nameOf(definition.subspan(nameAt, length), jet3Names);
        nameAt += length;
        table.columns.push_back(std::move(column));
    }
    std::stable_sort(table.columns.begin(), table.columns.end(),
        [](const ColumnDefinition &a, const ColumnDefinition &b) { return a.number < b.number; });
    return table;
}

} // namespace velkaro::reader
