#pragma once

#include "database/reader/Jet3Text.h"

#include <cstdint>
#include <optional>

namespace velkaro::reader {

// The table of the single-byte Windows code page `codePage` as the system's converter gives it; none when the
// system does not know the page. A byte the page leaves undefined (the system may map it to a control character of
// the same number) gets 0.
std::optional<CodePageTable> singleByteCodePage(std::uint16_t codePage);

} // namespace velkaro::reader
