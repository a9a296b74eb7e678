// velkaro-reader FILE TABLE [K/N] [--column NAME...] | --rows: streams one table of an Access file, or what the
// options ask of it (see ReaderRequest.h), on stdout (see ReaderProtocol.h).
// Runs apart from the program, locked down, because its input is a file from outside: a parser fault that a
// crafted file finds can crash, hang or exhaust memory only here.

#include "database/reader/ReaderFile.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/ReaderTableStream.h"

#include <span>

namespace {

namespace protocol = velkaro::database::reader_protocol;

// The request of the command line, with the places a --rows request reads from stdin.
std::optional<velkaro::reader::TableRequest> requestOf(const std::vector<std::string> &arguments)
{
    if (arguments.size() < 3)
        return std::nullopt;
    auto request = velkaro::reader::parseTableRequest(std::span(arguments).subspan(3));
    if (!request || !request->byPlaces)
        return request;
    const auto input = velkaro::reader::readStandardInput(4 + 4 * std::size_t(protocol::kMaxPlaces));
    auto places = input ? velkaro::reader::parsePlaces(*input) : std::nullopt;
    if (!places)
        return std::nullopt;
    request->places = std::move(*places);
    return request;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments = velkaro::reader::utf8Arguments(argc, argv);
    velkaro::reader::ReaderSandbox sandbox;
    if (!sandbox.enter())
        return 3;
    velkaro::reader::ReaderOutput output(sandbox.protocolFd());
    const auto request = requestOf(arguments);
    if (!request) {
        output.writeError(protocol::ReaderError::Usage,
            "usage: velkaro-reader FILE TABLE [K/N] [--column NAME...], or FILE TABLE --rows with row places on stdin");
        output.flush();
        return 2;
    }
    try {
        velkaro::reader::streamTable(arguments[1].c_str(), arguments[2].c_str(), *request, sandbox, output);
    } catch (const velkaro::reader::ReaderFailure &failure) {
        output.writeError(failure.error, failure.detail);
        output.flush();
        return 1;
    }
    return output.flush() ? 0 : 1;
}
