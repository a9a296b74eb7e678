// The whole reader in-process on a file of any bytes: the file checks, the catalogue, the table definition and its
// check, the page and row reading, the value, text and memo decoding. What it streams must be a stream the program's
// decoder accepts whole. A table read whole must read the same through the other requests: its first and last columns
// chosen by name, with page records that place every row, and a few of its rows fetched by those places. The reader's
// sandbox is not entered: the fuzzer needs its stderr and its address space.

#include "database/core/DatabaseError.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/ReaderTableStream.h"
#include "database/reader/TableDefinitionCheck.h"
#include "database/readtable/ReadTableDecoder.h"
#include "fuzz/FuzzCheck.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace protocol = velkaro::database::reader_protocol;
using protocol::ReaderError;
using velkaro::fuzz::require;
using velkaro::reader::TableRequest;

namespace {

using Row = std::vector<std::optional<std::string>>;

// Keeps the column names, the rows and where each page record fell among them.
class KeepingSink : public velkaro::database::RowSink
{
public:
    void columns(std::vector<velkaro::database::ColumnInfo> columns) override
    {
        for (const auto &column : columns)
            m_names.push_back(column.name.toStdString());
    }
    void row(std::span<const velkaro::database::FieldView> fields) override
    {
        Row &row = m_rows.emplace_back();
        for (const auto &field : fields)
            row.push_back(
                field.isNull ? std::nullopt : std::optional<std::string>(std::in_place, field.data, field.size));
    }
    void page(std::uint32_t number) override { m_pages.push_back({number, m_rows.size()}); }

    std::vector<std::string> m_names;
    std::vector<Row> m_rows;
    std::vector<std::pair<std::uint32_t, std::size_t>> m_pages; // a page and the index of its first row
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
bool streamTable(
    const std::string &path, const char *table, const TableRequest &request, int stream, ReaderError *error)
{
    replaceContents(stream, nullptr, 0);
    velkaro::reader::ReaderSandbox sandbox;
    velkaro::reader::ReaderOutput output(stream);
    bool whole = true;
    try {
        velkaro::reader::streamTable(path.c_str(), table, request, sandbox, output);
    } catch (const velkaro::reader::ReaderFailure &failure) {
        output.writeError(failure.error, failure.detail);
        *error = failure.error;
        whole = false;
    }
    require(output.flush(), "cannot write the stream");
    return whole;
}

// Decodes the stream into `sink`; false when the decoder refuses it or it does not end.
bool decode(int stream, std::uint64_t fileBytes, KeepingSink &sink)
{
    const std::vector<char> bytes = contents(stream);
    velkaro::database::ReadTableDecoder decoder(sink, fileBytes);
    try {
        std::memcpy(decoder.receiveBuffer(bytes.size()), bytes.data(), bytes.size());
        decoder.received(bytes.size());
    } catch (const velkaro::database::DatabaseError &) {
        return false;
    }
    return decoder.finished();
}

// The first of `names` that is `name` to the reader.
std::size_t columnNamed(const std::vector<std::string> &names, const std::string &name)
{
    return std::size_t(std::find_if(names.begin(), names.end(), [&](const std::string &other) {
        return velkaro::reader::sameName(other, name);
    }) - names.begin());
}

// The table read whole (`whole`) reads the same by chosen columns and by places.
void checkOtherRequests(
    const std::string &path, const char *table, int stream, std::uint64_t fileBytes, const KeepingSink &whole)
{
    ReaderError error {};
    TableRequest chosen;
    chosen.columns = {whole.m_names.back(), whole.m_names.front()};
    require(streamTable(path, table, chosen, stream, &error), "chosen columns of a table read whole fail");
    KeepingSink columns;
    require(decode(stream, fileBytes, columns), "the decoder refuses a read of chosen columns");
    const std::size_t last = columnNamed(whole.m_names, chosen.columns[0]);
    const std::size_t first = columnNamed(whole.m_names, chosen.columns[1]);
    require(first == 0 && last < whole.m_names.size(), "a column's name does not find it");
    require(columns.m_rows.size() == whole.m_rows.size(), "chosen columns stream another number of rows");
    for (std::size_t i = 0; i < whole.m_rows.size(); ++i) {
        const Row expected {whole.m_rows[i][last], whole.m_rows[i][first]};
        require(columns.m_rows[i] == expected, "a chosen column's value differs from the whole read's");
    }
    require(whole.m_rows.empty() || (!columns.m_pages.empty() && columns.m_pages[0].second == 0),
        "rows streamed before a page record");
    // A place numbers a page's rows in 8 bits.
    for (std::size_t i = 0; i < columns.m_pages.size(); ++i) {
        const std::size_t stop = i + 1 < columns.m_pages.size() ? columns.m_pages[i + 1].second : columns.m_rows.size();
        require(stop - columns.m_pages[i].second <= protocol::kMaxRowsPerPage,
            "a page record places more rows than a page holds");
    }
    if (whole.m_rows.empty())
        return;

    // The first, middle and last rows, by the places the page records give.
    TableRequest placed;
    std::vector<std::size_t> picked;
    for (const std::size_t row : {std::size_t(0), whole.m_rows.size() / 2, whole.m_rows.size() - 1}) {
        if (!picked.empty() && picked.back() == row)
            continue;
        const auto page = std::prev(std::upper_bound(columns.m_pages.begin(), columns.m_pages.end(), row,
            [](std::size_t at, const auto &record) { return at < record.second; }));
        picked.push_back(row);
        placed.places.push_back(page->first << 8 | std::uint32_t(row - page->second));
    }
    placed.byPlaces = true;
    require(streamTable(path, table, placed, stream, &error), "rows of a table read whole fail by their places");
    KeepingSink rows;
    require(decode(stream, fileBytes, rows), "the decoder refuses a read of rows by places");
    require(rows.m_rows.size() == picked.size() && rows.m_names == whole.m_names && rows.m_pages.empty(),
        "a read by places streams other rows or columns");
    for (std::size_t i = 0; i < picked.size(); ++i)
        require(rows.m_rows[i] == whole.m_rows[picked[i]], "a row read by its place differs from the whole read's");
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
    const char *table = nullptr;
    for (const char *name : {"Base", "DateTest"}) {
        ReaderError error {};
        table = name;
        whole = streamTable(path, table, {}, stream, &error);
        if (whole || error != ReaderError::TableNotFound)
            break;
    }

    KeepingSink sink;
    velkaro::database::ReadTableDecoder decoder(sink, size);
    try {
        const std::vector<char> bytes = contents(stream);
        std::memcpy(decoder.receiveBuffer(bytes.size()), bytes.data(), bytes.size());
        decoder.received(bytes.size());
        require(whole && decoder.finished() && decoder.rows() == decoder.expectedRows(),
            "the decoder takes whole a stream the reader did not finish, or not all of one it finished");
    } catch (const velkaro::database::DatabaseError &) {
        require(!whole, "a whole table streamed that the decoder refuses");
    }
    if (whole)
        checkOtherRequests(path, table, stream, size, sink);
    return 0;
}
