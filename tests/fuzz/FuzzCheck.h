#pragma once

#include <cstdio>
#include <cstdlib>

namespace velkaro::fuzz {

// A property every input must keep; a broken one aborts, which the fuzzer keeps as a crash.
inline void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

} // namespace velkaro::fuzz
