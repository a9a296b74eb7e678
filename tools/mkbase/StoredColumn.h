#pragma once

#include "ColumnDefinition.h"
#include "FieldValue.h"
#include "Jet4Format.h"

// How a user column and its numbers are stored, alike in Jet 3 and Jet 4 files.
namespace velkaro::mkbase {

// The column's type code, flags and width as its table definition stores them; a text is maxLength characters of
// bytesPerCharacter bytes each (1 in Jet 3, 2 in Jet 4).
jet4::ColumnLayout storedColumn(const ColumnDefinition &definition, int bytesPerCharacter);

// Writes a number of a fixed-width column (not NULL) little-endian at `at`, in the width storedColumn gives it.
void putFixedValue(ColumnType type, const FieldValue &value, quint8 *at);

} // namespace velkaro::mkbase
