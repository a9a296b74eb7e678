#include "database/core/CaseFold.h"

#include "database/core/VectorPaths.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velkaro::database {

namespace {

using BmpTable = std::array<char16_t, 0x10000>;

// `mapped` of every code point of the Basic Multilingual Plane, one to one; surrogates map to themselves.
template <typename Map> BmpTable bmpTable(Map mapped)
{
    BmpTable table {};
    for (char32_t c = 0; c < 0x10000; ++c)
        table[c] = static_cast<char16_t>(c >= 0xD800 && c <= 0xDFFF ? c : mapped(c));
    return table;
}

const BmpTable &upperCase()
{
    static const BmpTable table = bmpTable([](char32_t c) { return QChar::toUpper(c); });
    return table;
}

const BmpTable &lowerCase()
{
    static const BmpTable table = bmpTable([](char32_t c) { return QChar::toLower(c); });
    return table;
}

constexpr std::uint64_t highBits = 0x8080808080808080;

// Eight ASCII bytes upper-cased at once: a byte from 'a' to 'z' loses its 0x20 bit.
std::uint64_t asciiUpper(std::uint64_t bytes)
{
    const std::uint64_t lower = (bytes + 0x1F1F1F1F1F1F1F1F) & ~(bytes + 0x0505050505050505) & highBits;
    return bytes ^ (lower >> 2);
}

#ifdef __SSE2__
// The bytes of `bytes` from `low` to `high`, as a mask.
__m128i bytesWithin(__m128i bytes, unsigned char low, unsigned char high)
{
    const __m128i fromLow = _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(low)));
    const __m128i beyond = _mm_subs_epu8(fromLow, _mm_set1_epi8(static_cast<char>(high - low)));
    return _mm_cmpeq_epi8(beyond, _mm_setzero_si128());
}

__m128i bytesEqual(__m128i bytes, unsigned char value)
{
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(value)));
}

// The `size` bytes at `from`, fewer than sixteen, then zero bytes, put together in registers from loads within
// them: written to memory and read back as one block, they would wait for the stores on every value.
__m128i tailBytes(const char *from, std::size_t size)
{
    const auto load64 = [](const char *at) {
        std::uint64_t bytes;
        std::memcpy(&bytes, at, 8);
        return bytes;
    };
    const auto load32 = [](const char *at) {
        std::uint32_t bytes;
        std::memcpy(&bytes, at, 4);
        return std::uint64_t {bytes};
    };
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (size >= 8) {
        low = load64(from);
        // The last eight bytes, shifted so that byte 8 comes first.
        if (size > 8)
            high = load64(from + size - 8) >> (8 * (16 - size));
    } else if (size >= 4) {
        low = load32(from) | (load32(from + size - 4) >> (8 * (8 - size))) << 32;
    } else {
        for (std::size_t i = 0; i < size; ++i)
            low |= std::uint64_t {static_cast<unsigned char>(from[i])} << (8 * i);
    }
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// Whether the last of sixteen bytes begins a character of two bytes or more.
bool endsInLead(__m128i bytes)
{
    return (_mm_movemask_epi8(bytesWithin(bytes, 0xC0, 0xFF)) & 0x8000) != 0;
}

// Whether folding leaves sixteen bytes as they are: none is an ASCII lower-case letter or belongs to a
// character other than ASCII and U+0400 to U+042F (upper-case Cyrillic: lead byte 0xD0, then 0x80 to 0xAF),
// wherever the characters begin and end.
bool foldsToItself(__m128i bytes)
{
    const __m128i changing = _mm_or_si128(bytesWithin(bytes, 'a', 'z'),
        _mm_or_si128(bytesWithin(bytes, 0xB0, 0xCF), bytesWithin(bytes, 0xD1, 0xFF)));
    return _mm_movemask_epi8(changing) == 0;
}

// Folds sixteen bytes of ASCII and of Cyrillic from U+0400 to U+045F, lower case included, into `out`, and
// returns how many of them are whole characters (16, or 15 when the last is a lead byte); 0, writing nothing,
// when they hold anything else. Bit i of `lowerCase` is set when the character starting at byte i was lower case.
std::size_t foldCyrillicBlock(__m128i bytes, char *out, unsigned *lowerCase)
{
    const __m128i previous = _mm_slli_si128(bytes, 1);
    const __m128i following = _mm_srli_si128(bytes, 1);
    const __m128i ascii = _mm_cmpgt_epi8(bytes, _mm_set1_epi8(-1));
    const __m128i leadD0 = bytesEqual(bytes, 0xD0);
    const __m128i leadD1 = bytesEqual(bytes, 0xD1);
    const __m128i afterD0 = bytesEqual(previous, 0xD0);
    const __m128i afterD1 = bytesEqual(previous, 0xD1);
    // U+0400 to U+043F: D0 80 to D0 BF; U+0440 to U+045F: D1 80 to D1 9F.
    const __m128i continuation = _mm_or_si128(_mm_and_si128(afterD0, bytesWithin(bytes, 0x80, 0xBF)),
        _mm_and_si128(afterD1, bytesWithin(bytes, 0x80, 0x9F)));
    const __m128i known = _mm_or_si128(_mm_or_si128(ascii, continuation), _mm_or_si128(leadD0, leadD1));
    // A D1 lead with a second byte beyond 9F is some other character; the last byte's is not here to see.
    const __m128i lastByte = _mm_slli_si128(_mm_set1_epi8(-1), 15);
    const __m128i d1Complete = _mm_or_si128(_mm_or_si128(_mm_andnot_si128(leadD1, _mm_set1_epi8(-1)), lastByte),
        bytesWithin(following, 0x80, 0x9F));
    if (_mm_movemask_epi8(_mm_and_si128(known, d1Complete)) != 0xFFFF)
        return 0;

    const __m128i asciiLower = bytesWithin(bytes, 'a', 'z');
    // а to п: D0 B0..BF to D0 90..9F; р to я: D1 80..8F to D0 A0..AF; ѐ to џ: D1 90..9F to D0 80..8F.
    const __m128i fromA = _mm_and_si128(afterD0, bytesWithin(bytes, 0xB0, 0xBF));
    const __m128i fromEr = _mm_and_si128(afterD1, bytesWithin(bytes, 0x80, 0x8F));
    const __m128i fromIe = _mm_and_si128(afterD1, bytesWithin(bytes, 0x90, 0x9F));
    const __m128i minus = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(_mm_or_si128(asciiLower, fromA), _mm_set1_epi8(0x20)),
            _mm_and_si128(fromIe, _mm_set1_epi8(0x10))),
        _mm_and_si128(leadD1, _mm_set1_epi8(0x01)));
    const __m128i plus = _mm_and_si128(fromEr, _mm_set1_epi8(0x20));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_add_epi8(_mm_sub_epi8(bytes, minus), plus));

    const __m128i lowerLead = _mm_or_si128(_mm_and_si128(leadD0, bytesWithin(following, 0xB0, 0xBF)), leadD1);
    *lowerCase = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(asciiLower, lowerLead)));
    if (endsInLead(bytes)) {
        *lowerCase &= 0x7FFF;
        return 15;
    }
    return 16;
}
#endif

} // namespace

bool appendFolded(std::string_view utf8, PodArray<char> &out, FoldChanges *changes)
{
    const BmpTable &upper = upperCase();
    [[maybe_unused]] const bool vectorPaths = vectorPathsAllowed();
    // Folded straight into room at the end of `out`: folding makes at most three bytes of two (as U+0250 to
    // U+2C6F), and a block step writes sixteen bytes of which fewer may count.
    char *const buffer = out.room(utf8.size() + utf8.size() / 2 + 16);
    std::size_t used = 0;
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    bool changed = false;
    // Where in `out` a changed character lands.
    const std::size_t start = out.size();
    const auto noteLower = [changes, start](std::size_t inBuffer) {
        if (changes)
            changes->lowerCase.push_back(start + inBuffer);
    };
    const auto noteChange = [changes, &noteLower](char32_t c, char32_t folded, std::size_t inBuffer) {
        if (!changes)
            return;
        if (lowerCaseOf(folded) == c)
            noteLower(inBuffer);
        else
            changes->other = true;
    };
    while (p < end) {
#ifdef __SSE2__
        // Sixteen bytes at a time where they hold only ASCII and Cyrillic from U+0400 to U+045F, upper case (the
        // common case, copied) or lower; the end of a value padded with zero bytes, which fold to themselves. A
        // character whose lead byte ends the sixteen is left for the next step, as its second byte may change.
        if (vectorPaths) {
            const auto left = static_cast<std::size_t>(end - p);
            const __m128i block =
                left < 16 ? tailBytes(p, left) : _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            if (foldsToItself(block)) {
                const std::size_t whole = left < 16 ? left : endsInLead(block) ? 15 : 16;
                _mm_storeu_si128(reinterpret_cast<__m128i *>(buffer + used), block);
                used += whole;
                p += whole;
                continue;
            }
            unsigned lowerCase = 0;
            if (const std::size_t whole = std::min(foldCyrillicBlock(block, buffer + used, &lowerCase), left)) {
                changed |= lowerCase != 0;
                for (; lowerCase != 0; lowerCase &= lowerCase - 1)
                    noteLower(used + static_cast<std::size_t>(__builtin_ctz(lowerCase)));
                used += whole;
                p += whole;
                continue;
            }
        }
#endif
        if (end - p >= 8) {
            std::uint64_t bytes = 0;
            std::memcpy(&bytes, p, 8);
            if ((bytes & highBits) == 0) {
                const std::uint64_t folded = asciiUpper(bytes);
                std::memcpy(buffer + used, &folded, 8);
                if (folded != bytes) {
                    changed = true;
                    // Each letter that changed lost its 0x20 bit, in little-endian byte order.
                    for (std::uint64_t letters = (folded ^ bytes) & 0x2020202020202020; letters != 0;
                         letters &= letters - 1)
                        noteLower(used + std::size_t(__builtin_ctzll(letters) / 8));
                }
                used += 8;
                p += 8;
                continue;
            }
        }
        const auto lead = static_cast<unsigned char>(*p);
        if (lead < 0x80) {
            const bool lower = lead >= 'a' && lead <= 'z';
            if (lower)
                noteLower(used);
            buffer[used++] = static_cast<char>(lower ? lead - 0x20 : lead);
            changed |= lower;
            ++p;
            continue;
        }
        // Two-byte characters (Cyrillic) that fold to two-byte characters, without the general decoder.
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80) {
            const char32_t c = ((lead & 0x1FU) << 6) | (static_cast<unsigned char>(p[1]) & 0x3FU);
            const char32_t folded = upper[c];
            if (folded >= 0x80 && folded < 0x800) {
                if (folded != c) {
                    noteChange(c, folded, used);
                    changed = true;
                }
                buffer[used++] = static_cast<char>(0xC0 | (folded >> 6));
                buffer[used++] = static_cast<char>(0x80 | (folded & 0x3F));
                p += 2;
                continue;
            }
        }
        const std::size_t length = utf8CharLength(p, end);
        if (length == 1) {
            buffer[used++] = *p++;
            continue;
        }
        const char32_t c = decodedUtf8Char(p, length);
        const char32_t folded = c < 0x10000 ? upper[c] : QChar::toUpper(c);
        if (folded == c) {
            for (std::size_t i = 0; i < length; ++i)
                buffer[used++] = p[i];
        } else {
            noteChange(c, folded, used);
            used += encodedUtf8Char(folded, buffer + used);
            changed = true;
        }
        p += length;
    }
    out.added(used);
    return changed;
}

char32_t lowerCaseOf(char32_t c)
{
    return c < 0x10000 ? lowerCase()[c] : QChar::toLower(c);
}

std::string foldedUtf8(std::string_view utf8)
{
    PodArray<char> folded;
    appendFolded(utf8, folded);
    return std::string(folded.data() ? folded.data() : "", folded.size());
}

std::string foldedUtf8(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return foldedUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace velkaro::database
