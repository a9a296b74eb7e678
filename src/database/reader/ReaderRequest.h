#pragma once

#include "database/reader/ReaderTablePart.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::reader {

// What a reader streams of its table, as the arguments after FILE and TABLE ask:
//   (none)                   every row, every column
//   K/N                      the K-th of N parts of the rows, every column
//   [K/N] --column NAME...   every row (of the part), the named columns only, with the page records that give the
//                            rows' places
//   --rows                   every column of the rows whose places come on stdin
struct TableRequest
{
    TablePart part;
    std::vector<std::string> columns;
    bool byPlaces = false;
    std::vector<std::uint32_t> places;
};

// None when the arguments are none of the forms above.
std::optional<TableRequest> parseTableRequest(std::span<const std::string> arguments);

// The places of a --rows request from the bytes on stdin (see ReaderProtocol.h); none when they are short, count
// more than kMaxPlaces, leave bytes over or do not ascend strictly.
std::optional<std::vector<std::uint32_t>> parsePlaces(std::string_view bytes);

} // namespace velkaro::reader
