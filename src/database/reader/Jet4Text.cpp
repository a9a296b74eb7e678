#include "database/reader/Jet4Text.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELKARO_UTF8_SSSE3 1
#endif

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

// Plain UCS-2 units below U+0800 as UTF-8, two bytes written for every unit (the second overwritten when the
// unit takes one); null when a unit is not below U+0800.
std::optional<std::size_t> shortUnitsToUtf8(const unsigned char *bytes, std::size_t units, char *out)
{
    char *next = out;
    for (std::size_t unit = 0; unit < units; ++unit) {
        const unsigned int c = unitAt(bytes + 2 * unit);
        if (c >= 0x800)
            return std::nullopt;
        const bool twoBytes = c >= 0x80;
        next[0] = char(twoBytes ? 0xC0 | (c >> 6) : c);
        next[1] = char(0x80 | (c & 0x3F));
        next += 1 + int(twoBytes);
    }
    return std::size_t(next - out);
}

#ifdef VELKARO_UTF8_SSSE3
// For each set of one-byte units among eight (bit i: unit i is below U+0080), the byte shuffle that packs the
// units' UTF-8 out of their two-byte forms, and how many bytes that leaves.
struct PackTable
{
    std::array<std::array<std::uint8_t, 16>, 256> shuffles {};
    std::array<std::uint8_t, 256> sizes {};
};

constexpr PackTable makePackTable()
{
    PackTable table;
    for (unsigned oneByte = 0; oneByte < 256; ++oneByte) {
        unsigned size = 0;
        for (unsigned unit = 0; unit < 8; ++unit) {
            table.shuffles[oneByte][size++] = std::uint8_t(2 * unit);
            if (((oneByte >> unit) & 1U) == 0)
                table.shuffles[oneByte][size++] = std::uint8_t(2 * unit + 1);
        }
        table.sizes[oneByte] = std::uint8_t(size);
        while (size < 16)
            table.shuffles[oneByte][size++] = 0x80; // a zero byte
    }
    return table;
}

constexpr PackTable kPackTable = makePackTable();

// Eight units below U+0800 as UTF-8 at `next`, which takes sixteen bytes; how many bytes they make, or 0 when
// a unit is not below U+0800.
__attribute__((target("ssse3"))) std::size_t packEightUnits(const unsigned char *bytes, char *next)
{
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
    const __m128i beyond = _mm_and_si128(eight, _mm_set1_epi16(static_cast<short>(0xF800)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) != 0xFFFF)
        return 0;
    // Lead byte 0xC0 | c >> 6 first, then 0x80 | c & 0x3F; a unit below U+0080 is its own one byte.
    const __m128i lead = _mm_or_si128(_mm_srli_epi16(eight, 6), _mm_set1_epi16(0xC0));
    const __m128i second =
        _mm_slli_epi16(_mm_or_si128(_mm_and_si128(eight, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)), 8);
    const __m128i oneByte = _mm_cmplt_epi16(eight, _mm_set1_epi16(0x80));
    const __m128i forms =
        _mm_or_si128(_mm_and_si128(oneByte, eight), _mm_andnot_si128(oneByte, _mm_or_si128(lead, second)));
    const auto set = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(oneByte, _mm_setzero_si128())));
    const __m128i shuffle = _mm_loadu_si128(reinterpret_cast<const __m128i *>(kPackTable.shuffles[set].data()));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(next), _mm_shuffle_epi8(forms, shuffle));
    return kPackTable.sizes[set];
}

// shortUnitsToUtf8 eight units at a time, where the processor has SSSE3; `out` takes sixteen bytes more. The
// last few units are padded with zero units, whose one byte each comes after theirs.
std::optional<std::size_t> shortUnitsToUtf8Ssse3(const unsigned char *bytes, std::size_t units, char *out)
{
    char *next = out;
    std::size_t unit = 0;
    for (; unit + 8 <= units; unit += 8) {
        const std::size_t size = packEightUnits(bytes + 2 * unit, next);
        if (size == 0)
            return std::nullopt;
        next += size;
    }
    if (unit < units) {
        std::array<unsigned char, 16> padded {};
        std::memcpy(padded.data(), bytes + 2 * unit, 2 * (units - unit));
        const std::size_t size = packEightUnits(padded.data(), next);
        if (size == 0)
            return std::nullopt;
        next += size - (8 - (units - unit));
    }
    return std::size_t(next - out);
}

bool hasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

// The common texts without a branch per character: plain UCS-2 below U+0800 (Cyrillic, Latin, Greek, with
// digits and blanks) and compressed text that is all ASCII.
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
#ifdef VELKARO_UTF8_SSSE3
    if (hasSsse3() && capacity >= 2 * units + 16)
        return shortUnitsToUtf8Ssse3(bytes, units, out);
#endif
    if (capacity < 2 * units)
        return std::nullopt;
    return shortUnitsToUtf8(bytes, units, out);
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
                text.putUnit(bytes[at++]);
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
