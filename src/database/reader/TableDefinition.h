#pragma once

#include "database/reader/Jet3Text.h"
#include "database/reader/PageSlots.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velkaro::reader {

// The type codes of column descriptors.
enum class ColumnType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Money = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
    Complex = 0x12, // attachments and multi-value columns
    LargeNumber = 0x13,
    ExtendedDateTime = 0x14,
};

// One column as its descriptor and name give it.
struct ColumnDefinition
{
    std::string name; // UTF-8
    ColumnType type = ColumnType::Text;
    std::uint16_t number = 0; // its bit in the null mask
    std::uint16_t variableIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t size = 0;
    bool fixed = false;
    // Jet 3: the code page of its texts (Access writes the database's into every column). 0 in later formats.
    std::uint16_t codePage = 0;
    // ACE: a calculated column, whose values are stored wrapped with the expression's result type.
    bool calculated = false;
    // A decimal (Numeric) column: the digits after its point. mdbtools 1.0 reads a Jet 3 one from byte 10.
    std::uint8_t scale = 0;
};

// What the reader takes from a table definition.
struct TableDefinition
{
    std::uint32_t rowCount = 0;
    // The columns a row may hold, deleted ones included: column numbers and variable indexes stay below it.
    unsigned maxColumns = 0;
    unsigned variableColumns = 0;
    RowPointer usageMap; // the row listing the table's pages
    std::vector<ColumnDefinition> columns; // by column number
};

// The table definition `definition`: its pages joined, every page after the first without its 8-byte header.
// A Jet 3 definition keeps its counts from offset 12, 18-byte descriptors (number at 1, variable index at 3, sort
// order at 9, code page at 11, flags at 13, fixed offset at 14, size at 16) and names of a length byte and bytes in
// `jet3Names`' code page; a later one from 16, 25-byte descriptors (number at 5, variable index at 7, flags at 15,
// extended flags at 16, fixed offset at 21, size at 23) and names of a u16 length and Unicode; in both a decimal
// column keeps its precision at 11 and its scale at 12. Descriptors follow
// the real indexes' entries (8 or 12 bytes each); names follow the descriptors in their order. Throws
// ReaderFailure when a part lies beyond the definition or a name does not decode.
TableDefinition parseTableDefinition(std::span<const unsigned char> definition, const CodePageTable *jet3Names);

} // namespace velkaro::reader
