// velkaro-reader FILE TABLE [K/N]: streams one table of an Access file, or its K-th of N parts, on stdout
// (see ReaderProtocol.h).
// Runs apart from the program, locked down, because its input is a file from outside: a parser fault that a
// crafted file finds can crash, hang or exhaust memory only here.

#include "database/reader/ReaderFile.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/ReaderTableStream.h"

int main(int argc, char **argv)
{
    using velkaro::database::reader_protocol::ReaderError;
    const std::vector<std::string> arguments = velkaro::reader::utf8Arguments(argc, argv);
    velkaro::reader::ReaderSandbox sandbox;
    if (!sandbox.enter())
        return 3;
    velkaro::reader::ReaderOutput output(sandbox.protocolFd());
    const std::size_t count = arguments.size();
    const auto part = count == 4 ? velkaro::reader::parseTablePart(arguments[3]) : velkaro::reader::TablePart {};
    if ((count != 3 && count != 4) || !part) {
        output.writeError(ReaderError::Usage, "usage: velkaro-reader FILE TABLE [K/N]");
        output.flush();
        return 2;
    }
    try {
        velkaro::reader::streamTable(arguments[1].c_str(), arguments[2].c_str(), *part, sandbox, output);
    } catch (const velkaro::reader::ReaderFailure &failure) {
        output.writeError(failure.error, failure.detail);
        output.flush();
        return 1;
    }
    return output.flush() ? 0 : 1;
}
