#pragma once

#include <string_view>

namespace velkaro::database {

// Whether the whole of `text` matches the LIKE `pattern`, both folded UTF-8: `%` stands for any run of
// characters, `_` for exactly one character, every other byte for itself.
bool likeMatches(std::string_view text, std::string_view pattern);

// Whether `pattern` holds no wildcard, so that LIKE means whole-text equality.
bool isLiteralPattern(std::string_view pattern);

// The longest run of the pattern without wildcards: every matching text contains it.
std::string_view longestLiteral(std::string_view pattern);

} // namespace velkaro::database
