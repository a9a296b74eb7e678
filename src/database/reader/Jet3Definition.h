#pragma once

#include <cstdint>
#include <map>
#include <span>

namespace velkaro::reader {

// The code page each column names in a Jet 3 table definition, by column number. `definition` holds the
// definition's pages joined, every page after the first without its 8-byte header. A column descriptor takes
// 18 bytes: its number at 1, sort order at 9 and code page at 11 (Access writes the database's values into
// every column). Throws ReaderFailure when the descriptors lie beyond the definition.
std::map<int, std::uint16_t> jet3ColumnCodePages(std::span<const unsigned char> definition);

} // namespace velkaro::reader
