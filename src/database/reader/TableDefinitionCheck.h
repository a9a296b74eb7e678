#pragma once

#include "database/reader/TableDefinition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro::reader {

// Whether a column of `type` holds a number (a boolean does not count as one).
bool isNumberType(ColumnType type);

// Whether two names are the same, ignoring the case of ASCII letters (as Access's readers outside Windows compare
// table and column names).
bool sameName(std::string_view a, std::string_view b);

// Whether `name` is a directory column (ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE), ignoring case.
bool isDirectoryColumn(std::string_view name);

// What makes `table` unfit to read rows with: counts, offsets and indexes that point outside the row or at the
// same place twice, sizes no value of the type has, types no column has, names missing or used twice, and
// directory columns of a type no directory has (a text or a number). Nothing for a sound definition.
std::optional<std::string> tableDefinitionProblem(const TableDefinition &table, bool jet3, std::uint32_t pageSize);

} // namespace velkaro::reader
