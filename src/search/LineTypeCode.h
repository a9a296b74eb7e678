#pragma once

#include <QVariant>

#include <optional>

namespace velkaro::search {

// The line-type code a NO_TYPE value stands for: a number rounded half to even, a text by its
// leading number (leading blanks skipped, 0 when it has none). Nothing for a null, a value that is
// no number, or a result outside 0 to 255.
std::optional<int> lineTypeCode(const QVariant &noType);

} // namespace velkaro::search
