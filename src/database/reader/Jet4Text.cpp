#include "database/reader/Jet4Text.h"

#include "database/core/Utf8.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELKARO_UTF8_SSSE3 1
#endif

namespace velkaro::reader {

namespace {

// What the helpers return for a text they do not take or that does not fit: a plain size, since an optional
// returned through the stack costs a store-forwarding stall on every value.
constexpr std::size_t kNoFit = kTextDoesNotFit;

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

    // A character; a high surrogate still waiting for its low half is a lone one.
    void put(char32_t c)
    {
        if (m_high) {
            m_high = 0;
            putChar('?');
        }
        putChar(c);
    }

    // A UTF-16 unit; a high surrogate waits for its low half.
    void putUnit(std::uint16_t unit)
    {
        if (m_high) {
            const std::uint16_t high = m_high;
            m_high = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                putChar(0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            putChar('?');
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            m_high = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            putChar('?');
        else
            putChar(unit);
    }

    std::size_t finish()
    {
        if (m_high)
            putChar('?');
        if (m_overflow)
            return kNoFit;
        return std::size_t(m_next - m_out);
    }

private:
    void putChar(char32_t c)
    {
        const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (room(length))
            m_next += database::encodedUtf8Char(c, m_next);
    }

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
std::size_t shortUnitsToUtf8(const unsigned char *bytes, std::size_t units, char *out)
{
    char *next = out;
    for (std::size_t unit = 0; unit < units; ++unit) {
        const unsigned int c = unitAt(bytes + 2 * unit);
        if (c >= 0x800)
            return kNoFit;
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
__attribute__((target("ssse3"))) std::size_t packEightUnits(__m128i eight, char *next)
{
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

// A byte shuffle read from `16 - n` on moves the last n bytes of sixteen to the front and zeroes the others.
constexpr std::array<std::uint8_t, 32> kLastBytesFirst = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0x80,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

// The last `units` (fewer than eight) of the units before `end`, padded with zero units. A text of eight units or
// more gives them from its last sixteen bytes, moved down in the register; a shorter one is copied out.
__attribute__((target("ssse3"))) __m128i lastUnits(const unsigned char *end, std::size_t units, bool eightBefore)
{
    if (eightBefore) {
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i *>(end - 16));
        return _mm_shuffle_epi8(
            last, _mm_loadu_si128(reinterpret_cast<const __m128i *>(kLastBytesFirst.data() + 16 - 2 * units)));
    }
    std::array<unsigned char, 16> padded {};
    std::memcpy(padded.data(), end - 2 * units, 2 * units);
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(padded.data()));
}

// shortUnitsToUtf8 eight units at a time, where the processor has SSSE3; `out` takes sixteen bytes more. The
// last few units are padded with zero units, whose one byte each comes after theirs.
__attribute__((target("ssse3"))) std::size_t shortUnitsToUtf8Ssse3(
    const unsigned char *bytes, std::size_t units, char *out)
{
    char *next = out;
    std::size_t unit = 0;
    for (; unit + 8 <= units; unit += 8) {
        const std::size_t size =
            packEightUnits(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + 2 * unit)), next);
        if (size == 0)
            return kNoFit;
        next += size;
    }
    if (unit < units) {
        const std::size_t left = units - unit;
        const std::size_t size = packEightUnits(lastUnits(bytes + 2 * units, left, units >= 8), next);
        if (size == 0)
            return kNoFit;
        next += size - (8 - left);
    }
    return std::size_t(next - out);
}

// The vector path where the processor has SSSE3, unless VELKARO_READER_PLAIN_UTF8 asks for the plain one (tests
// run every case both ways).
bool useSsse3()
{
    static const bool use = __builtin_cpu_supports("ssse3") && !std::getenv("VELKARO_READER_PLAIN_UTF8");
    return use;
}
#endif

// The common texts without a branch per character: plain UCS-2 below U+0800 (Cyrillic, Latin, Greek, with
// digits and blanks) and compressed text that is all ASCII.
std::size_t decodeCommon(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
{
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        unsigned char any = 0;
        bool zero = false;
        for (std::size_t at = 2; at < size; ++at) {
            any |= bytes[at];
            zero |= bytes[at] == 0;
        }
        if (any >= 0x80 || zero || capacity < size - 2)
            return kNoFit;
        std::memcpy(out, bytes + 2, size - 2);
        return size - 2;
    }
    const std::size_t units = size / 2;
#ifdef VELKARO_UTF8_SSSE3
    if (useSsse3() && capacity >= 2 * units + 16)
        return shortUnitsToUtf8Ssse3(bytes, units, out);
#endif
    if (capacity < 2 * units)
        return kNoFit;
    return shortUnitsToUtf8(bytes, units, out);
}

template <bool Checked>
std::size_t decode(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
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

std::size_t jet4TextToUtf8(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity)
{
    // Each stored byte gives at most two bytes of UTF-8 (a one-byte character, half of a BMP character or
    // of a surrogate pair), and a high surrogate left at the end one more.
    std::size_t written = decodeCommon(bytes, size, out, capacity);
    if (written == kNoFit)
        written =
            capacity / 2 > size ? decode<false>(bytes, size, out, capacity) : decode<true>(bytes, size, out, capacity);
    return written;
}

} // namespace velkaro::reader
