#pragma once

#if defined(_MSC_VER) && !defined(__clang__)
#include <xmmintrin.h>
#endif

namespace velkaro::database {

// Asks the processor to bring the cache line holding `address` in ahead of a read; no effect on results.
inline void prefetch(const void *address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
    // Without a visible effect GCC deems the callers pure and drops their calls, hint and all.
    asm volatile("" : : "r"(address));
#elif defined(_MSC_VER)
    _mm_prefetch(static_cast<const char *>(address), _MM_HINT_T0);
#endif
}

} // namespace velkaro::database
