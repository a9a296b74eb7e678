#pragma once

#include "database/core/PodArray.h"
#include "database/core/Utf8.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace velkaro::database {

// Case folding as the engine compares texts: every code point is upper-cased on its own (simple
// mapping, Cyrillic and Latin alike, ё to Ё), so one character stays one character for `_`.

// How folding changed a text: where in the output the characters begin that were the lower case of their
// folded form, and whether any other character changed.
struct FoldChanges
{
    std::vector<std::size_t> lowerCase;
    bool other = false;
};

// Appends the folded form of `utf8` to `out`; returns whether it differs from the input, and adds to `changes`
// how. Bytes that do not form valid UTF-8 are copied unchanged, one character each.
bool appendFolded(std::string_view utf8, PodArray<char> &out, FoldChanges *changes = nullptr);

// The simple lower case of `c`, the way back from a folded character where the original was lower case.
char32_t lowerCaseOf(char32_t c);

std::string foldedUtf8(std::string_view utf8);
std::string foldedUtf8(const QString &text);

} // namespace velkaro::database
