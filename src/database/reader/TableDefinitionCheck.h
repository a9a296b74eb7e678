#pragma once

// The standard headers first: the library's header includes them inside its extern "C" block.
#include <optional>
#include <string>

#include <mdbtools.h>

namespace velkaro::reader {

// Whether a column of `type` holds a number (a boolean does not count as one).
bool isNumberType(int type);

// Whether `name` is a directory column (ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE), ignoring case.
bool isDirectoryColumn(const char *name);

// What makes the definition of `table`, as the library read it, unfit to read rows with: counts, offsets and
// indexes that point outside the row or at the same place twice, sizes no value of the type has, types no
// column has, and directory columns (ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE) of a type no directory
// has (a text or a number). Nothing for a sound definition. Reads the definition's first page again.
std::optional<std::string> tableDefinitionProblem(MdbHandle *mdb, MdbTableDef *table);

} // namespace velkaro::reader
