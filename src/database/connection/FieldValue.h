#pragma once

#include <QVariant>

#include <cstddef>
#include <cstdint>

namespace velkaro::database {

class Table;

// The value of `column` in `row` as a result set gives it: an invalid QVariant for null, a QString for a text
// column, a double for a numeric one. Throws DatabaseError for a numeric value that is not a number.
QVariant fieldValue(const Table &table, std::size_t column, std::uint32_t row);

} // namespace velkaro::database
