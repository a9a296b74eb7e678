#include "database/reader/ReaderTablePart.h"

#include <charconv>

namespace velkaro::reader {

namespace {

std::optional<std::uint32_t> number(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<TablePart> parseTablePart(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto part = number(text.substr(0, slash));
    const auto count = number(text.substr(slash + 1));
    if (!part || !count || *count == 0 || *count > kMaxTableParts || *part == 0 || *part > *count)
        return std::nullopt;
    return TablePart {*part - 1, *count};
}

} // namespace velkaro::reader
