#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velkaro::reader {

inline constexpr std::uint32_t kMaxTableParts = 16;

// A share of a table for one of several readers: part `index` (from 0) of `count` contiguous shares of the
// table's data pages, in the order they lie in the file.
struct TablePart
{
    std::uint32_t index = 0;
    std::uint32_t count = 1;

    bool whole() const { return count == 1; }
};

// "K/N" with 1 <= K <= N <= kMaxTableParts, as the command line gives it.
std::optional<TablePart> parseTablePart(std::string_view text);

} // namespace velkaro::reader
