// The reader's request: its options (the input after a first even byte, split at zero bytes) or the row places on
// its stdin (after an odd one). What parses must come back from its canonical form; places must be refused exactly
// when they break the protocol's rules.

#include "database/reader/ReaderRequest.h"
#include "database/readtable/ReaderProtocol.h"
#include "fuzz/FuzzCheck.h"

#include <string>
#include <string_view>
#include <vector>

namespace protocol = velkaro::database::reader_protocol;
using velkaro::fuzz::require;
using velkaro::reader::TableRequest;

namespace {

std::vector<std::string> canonicalArguments(const TableRequest &request)
{
    if (request.byPlaces)
        return {"--rows"};
    std::vector<std::string> arguments;
    if (!request.part.whole())
        arguments.push_back(std::to_string(request.part.index + 1) + "/" + std::to_string(request.part.count));
    for (const std::string &name : request.columns)
        arguments.insert(arguments.end(), {"--column", name});
    return arguments;
}

bool sameRequest(const TableRequest &a, const TableRequest &b)
{
    return a.byPlaces == b.byPlaces && a.columns == b.columns && a.part.index == b.part.index
        && a.part.count == b.part.count;
}

void checkArguments(std::string_view input)
{
    std::vector<std::string> arguments;
    for (std::size_t at = 0; at <= input.size() && !input.empty();) {
        const std::size_t end = std::min(input.find('\0', at), input.size());
        arguments.emplace_back(input.substr(at, end - at));
        at = end + 1;
    }
    const auto request = velkaro::reader::parseTableRequest(arguments);
    if (!request)
        return;
    require(!request->byPlaces || (request->columns.empty() && request->part.whole()),
        "places asked for with columns or a part");
    require(request->part.index < request->part.count && request->part.count <= velkaro::reader::kMaxTableParts,
        "a part out of range");
    require(request->columns.size() <= protocol::kMaxColumns, "more columns than a table has");
    for (const std::string &name : request->columns)
        require(!name.empty(), "an empty column name");
    const auto again = velkaro::reader::parseTableRequest(canonicalArguments(*request));
    require(again && sameRequest(*again, *request), "a request does not come back from its canonical form");
}

void checkPlaces(std::string_view input)
{
    const auto places = velkaro::reader::parsePlaces(input);
    const std::uint32_t count = input.size() >= 4 ? protocol::getU32(input.data()) : 0;
    bool valid = input.size() >= 4 && count <= protocol::kMaxPlaces && input.size() == 4 + 4 * std::size_t(count);
    for (std::size_t i = 1; valid && i < count; ++i)
        valid = protocol::getU32(input.data() + 4 * i) < protocol::getU32(input.data() + 4 + 4 * i);
    require(places.has_value() == valid, "places refused that keep the rules, or taken that break them");
    if (!places)
        return;
    std::string bytes(4 + 4 * places->size(), '\0');
    protocol::putU32(bytes.data(), std::uint32_t(places->size()));
    for (std::size_t i = 0; i < places->size(); ++i)
        protocol::putU32(bytes.data() + 4 + 4 * i, (*places)[i]);
    require(bytes == input, "places that do not encode back to their bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        checkArguments(input);
    else
        checkPlaces(input);
    return 0;
}
