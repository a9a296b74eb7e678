#pragma once

#include <cstddef>

namespace velkaro::database {

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

// The code point of the valid `length`-byte sequence (2 to 4) at `p`, as utf8CharLength measured it.
inline char32_t decodedUtf8Char(const char *p, std::size_t length)
{
    const auto byte = [p](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(p[i])); };
    switch (length) {
    case 2:
        return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

// Writes `c` as UTF-8 at `out`; returns the bytes written (at most 4).
inline std::size_t encodedUtf8Char(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

} // namespace velkaro::database
