#pragma once

#include "database/evaluation/Statement.h"
#include "database/table/Table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velkaro::database {

// A condition tied to its column, with the compared text folded once. On a numeric column `=` compares
// numbers, as the engine converts the text to the column's type.
struct BoundCondition
{
    const TextColumn *column = nullptr;
    ComparisonOperator op = ComparisonOperator::Equal;
    std::string folded;
    bool numeric = false;
    double number = 0;

    bool holds(std::uint32_t row) const;
};

// Ties the statement's conditions to the columns of `table`; an unknown column, a text that is no number
// compared to a numeric column, or a malformed LIKE pattern (a list left open, a descending range) throws
// DatabaseError.
std::vector<BoundCondition> bindConditions(const Table &table, const Statement &statement);

bool allHold(const std::vector<BoundCondition> &conditions, std::uint32_t row);

} // namespace velkaro::database
