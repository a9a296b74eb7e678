#include "ReaderTableStream.h"

#include "ReaderOutput.h"
#include "ReaderSandbox.h"

#include <mdbtools.h>

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace velkaro::reader {

namespace {

namespace protocol = database::reader_protocol;
using protocol::ReaderError;

constexpr std::size_t kDetailLimit = 4096;
constexpr std::uint32_t kRowsBetweenTextChecks = 1024;

[[noreturn]] void fail(ReaderError error, std::string detail)
{
    if (detail.size() > kDetailLimit)
        detail.resize(kDetailLimit);
    throw ReaderFailure{error, std::move(detail)};
}

struct FileShape
{
    dev_t device = 0;
    ino_t inode = 0;
    std::uint32_t pages = 0;
};

// Refuses what is not a whole Jet 3 or Jet 4 file before the library sees it: the library blocks on a
// FIFO, accepts any file whose first byte is zero, opens later formats with the wrong rules, and reads a
// short last page as if zero-filled.
FileShape checkFile(const char *path)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(ReaderError::NotAFile, "cannot open");
    struct stat info{};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::array<unsigned char, 0x20> header{};
    const bool headerRead = regular && pread(fd, header.data(), header.size(), 0) == ssize_t(header.size());
    close(fd);
    if (!regular)
        fail(ReaderError::NotAFile, "not a regular file");
    if (!headerRead)
        fail(ReaderError::NotJetFile, "shorter than a header");

    static constexpr std::array<unsigned char, 4> kPageZero = {0x00, 0x01, 0x00, 0x00};
    static constexpr std::string_view kJetName = "Standard Jet DB";
    if (std::memcmp(header.data(), kPageZero.data(), kPageZero.size()) != 0 ||
        std::memcmp(header.data() + 4, kJetName.data(), kJetName.size()) != 0)
        fail(ReaderError::NotJetFile, "no Jet database header");

    const unsigned char version = header[0x14];
    if (version != MDB_VER_JET3 && version != MDB_VER_JET4)
        fail(ReaderError::UnsupportedVersion, "format version " + std::to_string(version));
    const off_t pageSize = version == MDB_VER_JET3 ? 2048 : 4096;
    // Page 2 holds the catalogue's definition, so a database has at least three pages.
    if (info.st_size % pageSize != 0 || info.st_size < 3 * pageSize ||
        info.st_size / pageSize > off_t(UINT32_MAX / protocol::kMaxRowsPerPage))
        fail(ReaderError::Truncated, "file size " + std::to_string(info.st_size));
    return {info.st_dev, info.st_ino, static_cast<std::uint32_t>(info.st_size / pageSize)};
}

// The property parser complains about catalogue properties the reader never uses; anything else the
// library prints means it met a damaged page or row.
bool signalsDamage(std::string_view text, bool propertyNoiseAllowed)
{
    static constexpr std::array<std::string_view, 3> kPropertyNoise = {
        "Unrecognized format.", "sequence error!", "Unknown record type "};
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty())
            continue;
        bool noise = false;
        for (std::string_view prefix : kPropertyNoise)
            noise = noise || line.starts_with(prefix);
        if (!noise || !propertyNoiseAllowed)
            return true;
    }
    return false;
}

void checkLibraryText(ReaderSandbox &sandbox, bool propertyNoiseAllowed)
{
    std::string text = sandbox.takeLibraryText();
    if (signalsDamage(text, propertyNoiseAllowed))
        fail(ReaderError::LibraryReportedDamage, std::move(text));
}

bool isNumber(int type)
{
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return true;
    default:
        return false;
    }
}

struct HandleCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};

MdbTableDef *findTable(MdbHandle *mdb, const char *tableName)
{
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && strcasecmp(entry->object_name, tableName) == 0)
            return mdb_read_table(entry);
    }
    fail(ReaderError::TableNotFound, tableName);
}

// One bound column: mdbtools renders its value into `text`.
struct BoundColumn
{
    MdbColumn *column = nullptr;
    std::vector<char> text;
    int size = 0;
};

std::uint32_t streamRows(MdbHandle *mdb, MdbTableDef *table, std::vector<BoundColumn> &bound, ReaderSandbox &sandbox,
                ReaderOutput &output)
{
    std::vector<MdbField> fields(table->num_cols);
    std::uint32_t rows = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        if (++rows > table->num_rows)
            fail(ReaderError::RowCountMismatch, "more rows than the table definition counts");
        // The bound values cannot tell NULL from an empty text; the row just fetched is still in the page
        // buffer, and cracking it again gives the exact null flags.
        int rowStart = 0;
        std::size_t rowSize = 0;
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &rowStart, &rowSize) != 0 ||
            mdb_crack_row(table, rowStart & 0x1FFF, rowSize, fields.data()) < 0)
            fail(ReaderError::RowUnreadable, "row " + std::to_string(rows));
        output.beginRow();
        for (std::size_t i = 0; i < bound.size(); ++i) {
            const BoundColumn &value = bound[i];
            // A boolean lives in the null mask: its "null" flag is its value.
            if (fields[i].is_null && value.column->col_type != MDB_BOOL) {
                output.addNull();
                continue;
            }
            if (value.column->col_type == MDB_OLE) {
                output.addField("", 0);
                continue;
            }
            if (value.size < 0 || std::size_t(value.size) + 1 >= value.text.size())
                fail(ReaderError::ValueTooLong, value.column->name);
            output.addField(value.text.data(), std::uint32_t(value.size));
        }
        output.endRow();
        // The library reports damaged pages and rows only in text; stop at the first word.
        if (rows % kRowsBetweenTextChecks == 0 && sandbox.libraryPrinted())
            checkLibraryText(sandbox, false);
    }
    if (rows != table->num_rows)
        fail(ReaderError::RowCountMismatch,
             std::to_string(rows) + " rows read, the table definition counts " + std::to_string(table->num_rows));
    return rows;
}

} // namespace

void streamTable(const char *path, const char *tableName, ReaderSandbox &sandbox, ReaderOutput &output)
{
    const FileShape shape = checkFile(path);

    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path, MDB_NOFLAGS));
    if (!mdb)
        fail(ReaderError::OpenFailed, sandbox.takeLibraryText());
    struct stat opened{};
    if (fstat(fileno(mdb->f->stream), &opened) != 0 || opened.st_dev != shape.device || opened.st_ino != shape.inode)
        fail(ReaderError::NotAFile, "file replaced while opening");
    mdb_set_bind_size(mdb.get(), protocol::kMaxFieldSize);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());

    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        fail(ReaderError::CatalogUnreadable, sandbox.takeLibraryText());
    checkLibraryText(sandbox, true);

    std::unique_ptr<MdbTableDef, TableFreer> table(findTable(mdb.get(), tableName));
    if (!table)
        fail(ReaderError::DefinitionUnreadable, sandbox.takeLibraryText());
    if (!mdb_read_columns(table.get()) || table->num_cols == 0 || table->num_cols > protocol::kMaxColumns)
        fail(ReaderError::DefinitionUnreadable, sandbox.takeLibraryText());
    if (table->num_rows > shape.pages * protocol::kMaxRowsPerPage)
        fail(ReaderError::RowCountMismatch, "row count beyond what the file can hold");
    checkLibraryText(sandbox, false);

    std::vector<BoundColumn> bound(table->num_cols);
    std::vector<ReaderOutput::Column> columns;
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        BoundColumn &value = bound[i];
        value.column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        value.text.resize(protocol::kMaxFieldSize);
        if (value.column->col_type != MDB_OLE && mdb_bind_column(table.get(), int(i) + 1, value.text.data(), &value.size) < 0)
            fail(ReaderError::DefinitionUnreadable, value.column->name);
        columns.push_back({value.column->name, isNumber(value.column->col_type) ? protocol::kNumberKind
                                                                                : protocol::kTextKind});
    }
    output.writeTable(shape.pages, table->num_rows, columns);

    const std::uint32_t rows = streamRows(mdb.get(), table.get(), bound, sandbox, output);
    checkLibraryText(sandbox, false);
    output.writeEnd(rows);
}

} // namespace velkaro::reader
