#pragma once

#include <cstddef>
#include <cstdint>

namespace velkaro::reader {

// What a text decoder returns for a text that needs more room than it was given.
inline constexpr std::size_t kTextDoesNotFit = SIZE_MAX;

// A Jet 4 text value as UTF-8. The value is UCS-2 little-endian, or, after the mark FF FE, "compressed": runs of
// one-byte characters (U+0001 to U+00FF) and runs of two-byte units, each 00 byte switching between them, starting
// with one-byte characters. A surrogate pair becomes its one character, a lone surrogate '?', a last odd byte is
// dropped. Writes at most `capacity` bytes to `out` and returns how many; kTextDoesNotFit when the text needs more.
std::size_t jet4TextToUtf8(const unsigned char *bytes, std::size_t size, char *out, std::size_t capacity);

} // namespace velkaro::reader
