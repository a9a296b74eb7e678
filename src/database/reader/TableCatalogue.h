#pragma once

#include "database/reader/Jet3Text.h"
#include "database/reader/PageReader.h"
#include "database/reader/PageSlots.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velkaro::reader {

// A table definition's pages from `page` on, joined: each page (type 0x02) names the next at offset 4, and each
// after the first adds its bytes after its 8-byte header. Throws ReaderFailure for a page that is not a
// definition, beyond the file, or a chain longer than the file.
std::vector<unsigned char> definitionBytes(PageReader &pages, std::uint32_t page, std::uint32_t filePages);

// A copy of the row `pointer` names on a data page; throws ReaderFailure when the page or row is not there.
std::vector<unsigned char> pointedRow(PageReader &pages, RowPointer pointer, bool jet3);

// The definition page of the table named `name` (ignoring the case of ASCII letters) by the catalogue, the table
// whose definition is on page 2: the first of its rows with that Name and Type 1, whose Id holds the page in its
// low 24 bits. Jet 3 names are single bytes in `jet3Names`' code page. Throws ReaderFailure when the catalogue
// cannot be read or names no such table.
std::uint32_t tableDefinitionPage(
    PageReader &pages, std::uint32_t filePages, std::string_view name, const CodePageTable *jet3Names);

} // namespace velkaro::reader
