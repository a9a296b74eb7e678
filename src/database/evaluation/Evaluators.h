#pragma once

#include "database/evaluation/BoundCondition.h"

#include <cstdint>
#include <vector>

namespace velkaro::database {

// The rows for which every condition holds, ascending. Both give the same rows: the plain one tests row
// by row, the fast one finds candidates through the column's equality index or a substring search of
// its folded texts and tests only those. tst_database_equivalence holds them to that on generated
// directories: any change to the fast path must keep it passing.
std::vector<std::uint32_t> evaluatePlain(const Table &table, const std::vector<BoundCondition> &conditions);
std::vector<std::uint32_t> evaluateFast(const Table &table, const std::vector<BoundCondition> &conditions);

} // namespace velkaro::database
