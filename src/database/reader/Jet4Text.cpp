#include "database/reader/Jet4Text.h"

#include <cstdint>
#include <cstring>

namespace velkaro::reader {

namespace {

// Appends UTF-8 to a buffer of known capacity; `overflow` once anything did not fit. Unchecked where the
// caller made room for the longest text the input can give.
template <bool Checked> class Utf8Out
{
public:
    Utf8Out(char *out, std::size_t capacity)
        : m_out(out)
        , m_end(out + capacity)
        , m_next(out)
    { }

    void put(std::uint32_t c)
    {
        if (c < 0x80) {
            if (room(1))
                *m_next++ = char(c);
        } else if (c < 0x800) {
            if (room(2)) {
                *m_next++ = char(0xC0 | (c >> 6));
                *m_next++ = char(0x80 | (c & 0x3F));
            }
        } else if (c < 0x10000) {
            if (room(3)) {
                *m_next++ = char(0xE0 | (c >> 12));
                *m_next++ = char(0x80 | ((c >> 6) & 0x3F));
                *m_next++ = char(0x80 | (c & 0x3F));
            }
        } else if (room(4)) {
            *m_next++ = char(0xF0 | (c >> 18));
            *m_next++ = char(0x80 | ((c >> 12) & 0x3F));
            *m_next++ = char(0x80 | ((c >> 6) & 0x3F));
            *m_next++ = char(0x80 | (c & 0x3F));
        }
    }

    // A UTF-16 unit; a high surrogate waits for its low half.
    void putUnit(std::uint16_t unit)
    {
        if (m_high) {
            const std::uint16_t high = m_high;
            m_high = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                put(0x10000 + ((std::uint32_t(high) - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            put('?');
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            m_high = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            put('?');
        else
            put(unit);
    }

    std::optional<std::size_t> finish()
    {
        if (m_high)
            put('?');
        if (m_overflow)
            return std::nullopt;
        return std::size_t(m_next - m_out);
    }

private:
    bool room(std::size_t bytes)
    {
        if (!Checked || std::size_t(m_end - m_next) >= bytes)
            return true;
        m_overflow = true;
        return false;
    }

    char *m_out;
    char *m_end;
    char *m_next;
    std::uint16_t m_high = 0;
    bool m_overflow = false;
};

std::uint16_t unitAt(const unsigned char *bytes)
{
    return std::uint16_t(bytes[0] | (bytes[1] << 8));
}

// The common texts in one pass without a branch per character: plain UCS-2 below U+0800 (Cyrillic, Latin,
// Greek, with digits and blanks) and compressed text that is all ASCII.
std::optional<std::size_t> decodeCommon(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
{
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        unsigned char any = 0;
        bool zero = false;
        for (std::size_t at = 2; at < size; ++at) {
            any |= bytes[at];
            zero |= bytes[at] == 0;
        }
        if (any >= 0x80 || zero || capacity < size - 2)
            return std::nullopt;
        std::memcpy(out, bytes + 2, size - 2);
        return size - 2;
    }
    const std::size_t units = size / 2;
    unsigned int any = 0;
    for (std::size_t unit = 0; unit < units; ++unit)
        any |= bytes[2 * unit + 1];
    // Two bytes written for every unit, the second overwritten when the unit takes one.
    if (any >= 0x08 || capacity < 2 * units)
        return std::nullopt;
    char *next = out;
    for (std::size_t unit = 0; unit < units; ++unit) {
        const unsigned int c = bytes[2 * unit] | (unsigned(bytes[2 * unit + 1]) << 8);
        const bool twoBytes = c >= 0x80;
        next[0] = char(twoBytes ? 0xC0 | (c >> 6) : c);
        next[1] = char(0x80 | (c & 0x3F));
        next += 1 + int(twoBytes);
    }
    return std::size_t(next - out);
}

template <bool Checked>
std::optional<std::size_t> decode(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
{
    Utf8Out<Checked> text(out, capacity);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bool oneByte = true;
        std::size_t at = 2;
        while (at < size) {
            if (bytes[at] == 0) {
                oneByte = !oneByte;
                ++at;
            } else if (oneByte) {
                text.put(bytes[at++]);
            } else if (at + 1 < size) {
                text.putUnit(unitAt(bytes + at));
                at += 2;
            } else {
                break;
            }
        }
        return text.finish();
    }
    for (std::size_t at = 0; at + 1 < size; at += 2)
        text.putUnit(unitAt(bytes + at));
    return text.finish();
}

} // namespace

std::optional<std::size_t> jet4TextToUtf8(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
{
    // Each stored byte gives at most two bytes of UTF-8 (a one-byte character, half of a BMP character or
    // of a surrogate pair), and a high surrogate left at the end one more.
    if (const auto common = decodeCommon(bytes, size, out, capacity))
        return common;
    if (capacity / 2 > size)
        return decode<false>(bytes, size, out, capacity);
    return decode<true>(bytes, size, out, capacity);
}

} // namespace velkaro::reader
