// The whole reader in-process on a file of any bytes: the file checks, the catalogue, the table definition and its
// check, the page and row reading, the value, text and memo decoding. What it streams must be a stream the program's decoder
// accepts whole. The reader's sandbox is not entered: the fuzzer needs its stderr and its address space.

#include "database/core/DatabaseError.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/ReaderTableStream.h"
#include "database/readtable/ReadTableDecoder.h"
#include "fuzz/FuzzCheck.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

using velkaro::database::reader_protocol::ReaderError;
using velkaro::fuzz::require;

namespace {

class CountingSink : public velkaro::database::RowSink
{
public:
    void columns(std::vector<velkaro::database::ColumnInfo>) override { }
    void row(std::span<const velkaro::database::FieldView>) override { }
};

int memoryFile(const char *name)
{
    const int fd = memfd_create(name, MFD_CLOEXEC);
    require(fd >= 0, "memfd_create failed");
    return fd;
}

void replaceContents(int fd, const std::uint8_t *data, std::size_t size)
{
    require(ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0, "cannot empty a memory file");
    for (std::size_t at = 0; at < size;) {
        const ssize_t written = write(fd, data + at, size - at);
        require(written > 0, "cannot write a memory file");
        at += std::size_t(written);
    }
}

std::vector<char> contents(int fd)
{
    std::vector<char> bytes(std::size_t(lseek(fd, 0, SEEK_END)));
    require(pread(fd, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size()), "cannot read a memory file");
    return bytes;
}

// Streams the table into `stream` as the reader process would; false when it failed, with the reason written.
bool streamTable(const std::string &path, const char *table, int stream, ReaderError *error)
{
    replaceContents(stream, nullptr, 0);
    velkaro::reader::ReaderSandbox sandbox;
    velkaro::reader::ReaderOutput output(stream);
    bool whole = true;
    try {
        velkaro::reader::streamTable(path.c_str(), table, {}, sandbox, output);
    } catch (const velkaro::reader::ReaderFailure &failure) {
        output.writeError(failure.error, failure.detail);
        *error = failure.error;
        whole = false;
    }
    require(output.flush(), "cannot write the stream");
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const int input = memoryFile("input.mdb");
    static const int stream = memoryFile("stream");
    static const std::string path = "/proc/self/fd/" + std::to_string(input);
    replaceContents(input, data, size);

    // Our writer's table, else the one table of the Access-made seed, which has a memo column.
    bool whole = false;
    for (const char *table : {"Base", "DateTest"}) {
        ReaderError error {};
        whole = streamTable(path, table, stream, &error);
        if (whole || error != ReaderError::TableNotFound)
            break;
    }

    std::vector<char> bytes = contents(stream);
    CountingSink sink;
    velkaro::database::ReadTableDecoder decoder(sink, size);
    try {
        std::memcpy(decoder.receiveBuffer(bytes.size()), bytes.data(), bytes.size());
        decoder.received(bytes.size());
        require(whole && decoder.finished() && decoder.rows() == decoder.expectedRows(),
            "the decoder takes whole a stream the reader did not finish, or not all of one it finished");
    } catch (const velkaro::database::DatabaseError &) {
        require(!whole, "a whole table streamed that the decoder refuses");
    }
    return 0;
}
