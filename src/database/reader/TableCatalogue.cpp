#include "database/reader/TableCatalogue.h"

#include "database/reader/Jet4Text.h"
#include "database/reader/ReaderFailure.h"
#include "database/reader/RowCracker.h"
#include "database/reader/TableDefinition.h"
#include "database/reader/TableDefinitionCheck.h"
#include "database/reader/TableRows.h"

#include <array>
#include <optional>
#include <string>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

constexpr std::uint32_t kCataloguePage = 2;
constexpr std::uint32_t kTableType = 1;
constexpr std::uint32_t kPageOfId = 0x00FFFFFF;

std::uint32_t readU32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

// The catalogue's column `name` of `type`, where rows hold it.
ColumnLayout catalogueColumn(const TableDefinition &catalogue, std::string_view name, ColumnType type)
{
    for (const ColumnDefinition &column : catalogue.columns) {
        if (sameName(column.name, name) && column.type == type)
            return {column.number, column.fixed, column.fixedOffset, column.size, column.variableIndex};
    }
    fail(ReaderError::CatalogUnreadable, "the catalogue has no column " + std::string(name));
}

} // namespace

std::vector<unsigned char> definitionBytes(PageReader &pages, std::uint32_t page, std::uint32_t filePages)
{
    std::vector<unsigned char> bytes;
    for (std::uint32_t count = 0; page != 0; ++count) {
        const std::span<const unsigned char> definition =
            count < filePages ? pages.page(page) : std::span<const unsigned char> {};
        if (definition.empty() || definition[0] != 0x02)
            fail(ReaderError::DefinitionUnreadable, "definition page " + std::to_string(page) + " unreadable");
        bytes.insert(bytes.end(), definition.begin() + (bytes.empty() ? 0 : 8), definition.end());
        page = readU32(definition.data() + 4);
    }
    return bytes;
}

std::vector<unsigned char> pointedRow(PageReader &pages, RowPointer pointer, bool jet3)
{
    const std::span<const unsigned char> page = pages.page(pointer.page);
    const std::optional<unsigned> rows = page.empty() || page[0] != 0x01 ? std::nullopt : slotCount(page, jet3);
    const std::optional<Slot> slot = rows && pointer.row < *rows ? slotOf(page, pointer.row, jet3) : std::nullopt;
    if (!slot)
        fail(ReaderError::DefinitionUnreadable,
            "no row " + std::to_string(pointer.row) + " on page " + std::to_string(pointer.page));
    return {page.begin() + slot->start, page.begin() + slot->start + slot->size};
}

std::uint32_t tableDefinitionPage(
    PageReader &pages, std::uint32_t filePages, std::string_view name, const CodePageTable *jet3Names)
{
    const bool jet3 = jet3Names != nullptr;
    const TableDefinition catalogue =
        parseTableDefinition(definitionBytes(pages, kCataloguePage, filePages), jet3Names);
    if (const auto problem = tableDefinitionProblem(catalogue, jet3, pages.pageSize()))
        fail(ReaderError::CatalogUnreadable, *problem);
    const std::array<ColumnLayout, 3> layout = {catalogueColumn(catalogue, "Id", ColumnType::Long),
        catalogueColumn(catalogue, "Name", ColumnType::Text), catalogueColumn(catalogue, "Type", ColumnType::Integer)};
    const std::vector<unsigned char> usageMap = pointedRow(pages, catalogue.usageMap, jet3);
    TableRows rows(pages, usageMap, kCataloguePage, pages.pageSize(), filePages, jet3);

    std::array<RowField, 3> fields;
    std::array<char, 1024> text {};
    std::optional<std::uint32_t> found;
    rows.forEach({0, UINT32_MAX}, [&](std::uint32_t, std::span<const unsigned char> page, const Slot &slot) {
        if (!crackRow(page, slot.start, slot.size, jet3, layout, fields.data()))
            fail(ReaderError::CatalogUnreadable, "a catalogue row unreadable");
        const RowField &id = fields[0];
        const RowField &stored = fields[1];
        const RowField &type = fields[2];
        if (!id.present || !stored.present || !type.present || type.size < 2 || id.size < 4)
            return true;
        if ((page[type.start] | page[type.start + 1] << 8) != kTableType)
            return true;
        const unsigned char *bytes = page.data() + stored.start;
        const std::size_t size = jet3 ? jet3TextToUtf8(bytes, stored.size, *jet3Names, text.data(), text.size())
                                      : jet4TextToUtf8(bytes, stored.size, text.data(), text.size());
        if (size == kTextDoesNotFit || !sameName({text.data(), size}, name))
            return true;
        found = readU32(page.data() + id.start) & kPageOfId;
        return false;
    });
    if (!found)
        fail(ReaderError::TableNotFound, std::string(name));
    return *found;
}

} // namespace velkaro::reader
