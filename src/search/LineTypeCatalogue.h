#pragma once

#include <QString>

#include <optional>

// The fixed table from line-type code to its description, shown exactly as stored here.
namespace velkaro::search::LineTypeCatalogue {

// The description of `code`, or nothing when the catalogue has no entry for it.
std::optional<QString> description(int code);

// The number of entries.
int size();

} // namespace velkaro::search::LineTypeCatalogue
