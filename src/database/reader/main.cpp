// velkaro-reader FILE TABLE [K/N]: streams one table of an Access file, or its K-th of N parts, on stdout
// (see ReaderProtocol.h).
// Runs apart from the program, locked down, because its input is a file from outside: a parser fault that a
// crafted file finds can crash, hang or exhaust memory only here.

#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/ReaderTableStream.h"

#include <unistd.h>

int main(int argc, char **argv)
{
    using velkaro::database::reader_protocol::ReaderError;
    velkaro::reader::ReaderSandbox sandbox;
    if (!sandbox.enter())
        return 3;
    velkaro::reader::ReaderOutput output(sandbox.protocolFd());
    const auto part = argc == 4 ? velkaro::reader::parseTablePart(argv[3]) : velkaro::reader::TablePart {};
    if ((argc != 3 && argc != 4) || !part) {
        output.writeError(ReaderError::Usage, "usage: velkaro-reader FILE TABLE [K/N]");
        output.flush();
        return 2;
    }
    try {
        velkaro::reader::streamTable(argv[1], argv[2], *part, sandbox, output);
    } catch (const velkaro::reader::ReaderFailure &failure) {
        output.writeError(failure.error, failure.detail);
        output.flush();
        return 1;
    }
    return output.flush() ? 0 : 1;
}
