#pragma once

#include "database/core/PodArray.h"

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace velkaro::database {

// Case folding as the engine compares texts: every code point is upper-cased on its own (simple
// mapping, Cyrillic and Latin alike, ё to Ё), so one character stays one character for `_`.

// Appends the folded form of `utf8` to `out`; returns whether it differs from the input.
// Bytes that do not form valid UTF-8 are copied unchanged, one character each.
bool appendFolded(std::string_view utf8, PodArray<char> &out);

std::string foldedUtf8(std::string_view utf8);
std::string foldedUtf8(const QString &text);

// The length in bytes of the character that starts at `p`: a valid UTF-8 sequence, or one byte.
inline std::size_t utf8CharLength(const char *p, const char *end)
{
    const auto lead = static_cast<unsigned char>(*p);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length > static_cast<std::size_t>(end - p))
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

} // namespace velkaro::database
