#pragma once

#include <cstdint>
#include <map>
#include <span>

namespace velkaro::reader {

// What the reader takes from a column's descriptor beyond what mdbtools reads.
struct ColumnDescriptor
{
    // Jet 3: the code page of its texts (Access writes the database's into every column). 0 in later formats.
    std::uint16_t codePage = 0;
    // ACE: a calculated column, whose values are stored wrapped with the expression's result type.
    bool calculated = false;
};

// The descriptors of a table definition, by column number. `definition` holds the definition's pages joined, every
// page after the first without its 8-byte header. A Jet 3 descriptor takes 18 bytes (number at 1, sort order at 9,
// code page at 11), a Jet 4 one 25 (number at 5, extended flags at 16, 0xC0 for a calculated column). Throws
// ReaderFailure when the descriptors lie beyond the definition.
std::map<int, ColumnDescriptor> columnDescriptors(std::span<const unsigned char> definition, bool jet3);

} // namespace velkaro::reader
