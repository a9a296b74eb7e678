#include "database/reader/ReaderRequest.h"

#include "database/readtable/ReaderProtocol.h"

namespace velkaro::reader {

namespace protocol = database::reader_protocol;

std::optional<TableRequest> parseTableRequest(std::span<const std::string> arguments)
{
    TableRequest request;
    if (arguments.empty())
        return request;
    if (arguments.size() == 1 && arguments[0] == "--rows") {
        request.byPlaces = true;
        return request;
    }
    if (arguments[0] != "--column") {
        const auto part = parseTablePart(arguments[0]);
        if (!part)
            return std::nullopt;
        request.part = *part;
        arguments = arguments.subspan(1);
    }
    if (arguments.size() % 2 != 0 || arguments.size() / 2 > protocol::kMaxColumns)
        return std::nullopt;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        if (arguments[i] != "--column" || arguments[i + 1].empty())
            return std::nullopt;
        request.columns.push_back(arguments[i + 1]);
    }
    return request;
}

std::optional<std::vector<std::uint32_t>> parsePlaces(std::string_view bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    const std::uint32_t count = protocol::getU32(bytes.data());
    if (count > protocol::kMaxPlaces || bytes.size() != 4 + 4 * std::size_t(count))
        return std::nullopt;
    std::vector<std::uint32_t> places(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        places[i] = protocol::getU32(bytes.data() + 4 + 4 * std::size_t(i));
        if (i > 0 && places[i] <= places[i - 1])
            return std::nullopt;
    }
    return places;
}

} // namespace velkaro::reader
