#pragma once

#include "database/core/Utf8.h"

#include <cstddef>

namespace velkaro::database {

// The code point of the character of `length` bytes at `p`, as utf8CharLength measured it. A byte that is no
// valid UTF-8 gets a value of its own beyond Unicode (0x110000 + the byte): no range of a LIKE list takes it in,
// no case mapping changes it, and it never passes for the character of the same number.
inline char32_t codePoint(const char *p, std::size_t length)
{
    if (length > 1)
        return decodedUtf8Char(p, length);
    const auto byte = static_cast<char32_t>(static_cast<unsigned char>(*p));
    return byte < 0x80 ? byte : 0x110000 + byte;
}

} // namespace velkaro::database
