#include "database/evaluation/SubstringFinder.h"

#include "database/core/VectorPaths.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELKARO_SCREEN_AVX2 1
#endif

namespace velkaro::database {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

#if defined(__SSE2__)
// The first position i + k, for each bit k set in `mask`, where the whole needle starts; npos when none.
std::size_t confirmed(unsigned mask, std::size_t i, const char *data, std::string_view needle)
{
    for (; mask != 0; mask &= mask - 1) {
        const std::size_t candidate = i + static_cast<std::size_t>(__builtin_ctz(mask));
        if (std::memcmp(data + candidate, needle.data(), needle.size()) == 0)
            return candidate;
    }
    return std::string_view::npos;
}
#endif

#ifdef VELKARO_SCREEN_AVX2
// The screen of find() thirty-two positions at a time, where the processor has AVX2: the needle's first
// position from `i` on where both telling bytes agree and the whole needle matches, or npos; `i` ends where
// fewer than thirty-two candidates are left.
__attribute__((target("avx2"))) std::size_t screen32(std::string_view haystack, std::string_view needle,
    std::size_t firstAt, std::size_t secondAt, std::size_t &i)
{
    const char *const data = haystack.data();
    const __m256i first = _mm256_set1_epi8(needle[firstAt]);
    const __m256i second = _mm256_set1_epi8(needle[secondAt]);
    for (; i + 32 + secondAt <= haystack.size(); i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + firstAt));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + secondAt));
        const auto mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second))));
        if (const std::size_t found = confirmed(mask, i, data, needle); found != std::string_view::npos)
            return found;
    }
    return std::string_view::npos;
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

SubstringFinder::SubstringFinder(std::string_view needle)
    : m_needle(needle)
{
    if (needle.empty())
        return;
    m_second = needle.size() - 1;
    m_first = 0;
    for (std::size_t i = 0; i < m_second; ++i) {
        if (isContinuation(needle[i])) {
            m_first = i;
            break;
        }
    }
}

std::size_t SubstringFinder::find(std::string_view haystack, std::size_t from) const
{
    const std::size_t n = m_needle.size();
    if (from > haystack.size() || haystack.size() - from < n)
        return std::string_view::npos;
    if (n == 0)
        return from;
    std::size_t i = from;
    [[maybe_unused]] const bool vectorPaths = vectorPathsAllowed();
#ifdef VELKARO_SCREEN_AVX2
    if (vectorPaths && hasAvx2()) {
        if (const std::size_t found = screen32(haystack, m_needle, m_first, m_second, i); found != std::string_view::npos)
            return found;
    }
#endif
#if defined(__SSE2__)
    const char *const data = haystack.data();
    const __m128i first = _mm_set1_epi8(m_needle[m_first]);
    const __m128i second = _mm_set1_epi8(m_needle[m_second]);
    // Candidates i..i+15 need bytes up to i + 15 + m_second inside the haystack.
    for (; vectorPaths && i + 16 + m_second <= haystack.size(); i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + m_first));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + m_second));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
        if (const std::size_t found = confirmed(mask, i, data, m_needle); found != std::string_view::npos)
            return found;
    }
#endif
    // The few bytes the screens leave; memmem, which would do the same, is not in every C library (mingw's lacks it).
    return haystack.find(m_needle, i);
}

} // namespace velkaro::database
