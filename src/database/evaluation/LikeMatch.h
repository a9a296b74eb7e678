#pragma once

#include <string_view>

namespace velkaro::database {

// LIKE patterns and texts are folded UTF-8. In a pattern `%` stands for any run of characters, `_` for
// exactly one character, and a character list for one character: `[СБ]` for one of those, `[А-Я]` for one
// in that range (of code points, with Ё between Е and Ж), `[!0-9]` for one not in the list, `[[]` for `[`;
// `[]` stands for no character at all. Inside a list `%`, `_` and `[` stand for themselves, and so does `-`
// first or last. Every other character stands for itself.

// Whether the whole of `text` matches `pattern`. A `[` that no `]` closes stands for itself here; the engine
// rejects such patterns before matching (isValidLikePattern).
bool likeMatches(std::string_view text, std::string_view pattern);

// Whether every `[` of the pattern opens a list that is closed and whose ranges ascend.
bool isValidLikePattern(std::string_view pattern);

// Whether `pattern` holds no wildcard and no list, so that LIKE means whole-text equality.
bool isLiteralPattern(std::string_view pattern);

// The longest run of the pattern outside wildcards and lists: every matching text contains it.
std::string_view longestLiteral(std::string_view pattern);

} // namespace velkaro::database
