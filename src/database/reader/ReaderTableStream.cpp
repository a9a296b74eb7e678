#include "database/reader/ReaderTableStream.h"

#include "database/reader/Jet4Text.h"
#include "database/reader/PageStream.h"
#include "database/reader/ReaderMemo.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/TableDefinitionCheck.h"

#include <mdbtools.h>

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace velkaro::reader {

namespace {

namespace protocol = database::reader_protocol;
using protocol::ReaderError;

constexpr std::size_t kDetailLimit = 4096;
constexpr std::uint32_t kRowsBetweenTextChecks = 1024;
// A row's entry in its page's offset table: the row's offset in its low bits, a flag for a deleted row.
constexpr int kRowOffsetMask = 0x1FFF;
constexpr int kDeletedRow = 0x4000;

[[noreturn]] void fail(ReaderError error, std::string detail)
{
    if (detail.size() > kDetailLimit)
        detail.resize(kDetailLimit);
    throw ReaderFailure {error, std::move(detail)};
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
    struct stat info
    {
    };
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::array<unsigned char, 0x20> header {};
    const bool headerRead = regular && pread(fd, header.data(), header.size(), 0) == ssize_t(header.size());
    close(fd);
    if (!regular)
        fail(ReaderError::NotAFile, "not a regular file");
    if (!headerRead)
        fail(ReaderError::NotJetFile, "shorter than a header");

    static constexpr std::array<unsigned char, 4> kPageZero = {0x00, 0x01, 0x00, 0x00};
    static constexpr std::string_view kJetName = "Standard Jet DB";
    if (std::memcmp(header.data(), kPageZero.data(), kPageZero.size()) != 0
        || std::memcmp(header.data() + 4, kJetName.data(), kJetName.size()) != 0)
        fail(ReaderError::NotJetFile, "no Jet database header");

    const unsigned char version = header[0x14];
    if (version != MDB_VER_JET3 && version != MDB_VER_JET4)
        fail(ReaderError::UnsupportedVersion, "format version " + std::to_string(version));
    const off_t pageSize = version == MDB_VER_JET3 ? 2048 : 4096;
    // Page 2 holds the catalogue's definition, so a database has at least three pages.
    if (info.st_size % pageSize != 0 || info.st_size < 3 * pageSize
        || info.st_size / pageSize > off_t(UINT32_MAX / protocol::kMaxRowsPerPage))
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
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
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

// How a column's values become text: numbers, booleans and short texts straight from the cracked field
// (with the library's accessors and converter, in the library's notation), memos from their pages, anything
// else by the library into a bound buffer.
enum class Rendering { Boolean, Byte, Int16, Int32, Single, Double, Text, Memo, Ole, Bound };

Rendering renderingOf(int type)
{
    switch (type) {
    case MDB_BOOL:
        return Rendering::Boolean;
    case MDB_BYTE:
        return Rendering::Byte;
    case MDB_INT:
        return Rendering::Int16;
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return Rendering::Int32;
    case MDB_FLOAT:
        return Rendering::Single;
    case MDB_DOUBLE:
        return Rendering::Double;
    case MDB_TEXT:
        return Rendering::Text;
    case MDB_MEMO:
        return Rendering::Memo;
    case MDB_OLE:
        return Rendering::Ole;
    default:
        return Rendering::Bound;
    }
}

// Bytes a fixed-size value occupies in the row.
int widthOf(Rendering rendering)
{
    switch (rendering) {
    case Rendering::Byte:
        return 1;
    case Rendering::Int16:
        return 2;
    case Rendering::Int32:
    case Rendering::Single:
        return 4;
    case Rendering::Double:
        return 8;
    default:
        return 0;
    }
}

struct ColumnOutput
{
    MdbColumn *column = nullptr;
    Rendering rendering = Rendering::Bound;
    // Where the library renders a bound column.
    std::vector<char> bound;
    int boundSize = 0;
};

template <typename T> std::string_view written(char *out, T value)
{
    const std::to_chars_result result = std::to_chars(out, out + 64, value);
    return {out, std::size_t(result.ptr - out)};
}

// The text of a non-null field, as the library's bound rendering gives it; `scratch` holds kMaxFieldSize bytes.
std::string_view rendered(
    MdbHandle *mdb, const ColumnOutput &output, const MdbField &field, char *scratch, ReaderMemo &memo)
{
    void *page = mdb->pg_buf;
    const int start = field.start;
    if (field.siz < widthOf(output.rendering))
        fail(ReaderError::RowUnreadable, std::string("value shorter than its type in ") + output.column->name);
    switch (output.rendering) {
    case Rendering::Boolean:
        return "1";
    case Rendering::Byte:
        return written(scratch, unsigned(mdb_get_byte(page, start)));
    case Rendering::Int16:
        return written(scratch, short(mdb_get_int16(page, start)));
    case Rendering::Int32:
        return written(scratch, int(mdb_get_int32(page, start)));
    // The shortest text that reads back as the same value.
    case Rendering::Single:
        return written(scratch, mdb_get_single(page, start));
    case Rendering::Double:
        return written(scratch, mdb_get_double(page, start));
    case Rendering::Text: {
        if (field.siz <= 0)
            return {};
        if (IS_JET3(mdb)) {
            const int size = mdb_unicode2ascii(mdb, reinterpret_cast<const char *>(mdb->pg_buf) + start,
                std::size_t(field.siz), scratch, protocol::kMaxFieldSize);
            if (size < 0 || std::size_t(size) + 1 >= protocol::kMaxFieldSize)
                fail(ReaderError::ValueTooLong, output.column->name);
            return {scratch, std::size_t(size)};
        }
        const auto size = jet4TextToUtf8(static_cast<const unsigned char *>(mdb->pg_buf) + start,
            std::size_t(field.siz), scratch, protocol::kMaxFieldSize - 2);
        if (!size)
            fail(ReaderError::ValueTooLong, output.column->name);
        return {scratch, *size};
    }
    case Rendering::Memo:
        return memo.text(mdb, field, output.column->name);
    case Rendering::Ole:
        return {};
    case Rendering::Bound:
        if (output.boundSize < 0 || std::size_t(output.boundSize) + 1 >= output.bound.size())
            fail(ReaderError::ValueTooLong, output.column->name);
        return {output.bound.data(), std::size_t(output.boundSize)};
    }
    return {};
}

// The data pages one part reads: the table's pages, in the library's order, numbered from `first` up to
// `stop`. The file's page numbers are split evenly, which splits a table that fills most of the file evenly;
// the last part also reads any page listed beyond the file, so that every part meets what a single read would.
struct PageSpan
{
    std::uint32_t first = 0;
    std::optional<std::uint32_t> stop;
};

PageSpan pagesOf(TablePart part, std::uint32_t filePages)
{
    const auto boundary = [&](std::uint32_t index) {
        return std::uint32_t(std::uint64_t(filePages) * index / part.count);
    };
    PageSpan span {boundary(part.index), std::nullopt};
    if (part.index + 1 < part.count)
        span.stop = boundary(part.index + 1);
    return span;
}

void streamRow(MdbHandle *mdb, const std::vector<MdbField> &fields, const std::vector<ColumnOutput> &outputs,
    char *scratch, ReaderMemo &memo, ReaderOutput &output)
{
    output.beginRow();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const ColumnOutput &column = outputs[i];
        // A boolean lives in the null mask: its "null" flag is its value.
        if (column.rendering == Rendering::Boolean && fields[i].is_null) {
            output.addField("0", 1);
        } else if (fields[i].is_null) {
            output.addNull();
        } else {
            const std::string_view text = rendered(mdb, column, fields[i], scratch, memo);
            output.addField(text.data(), std::uint32_t(text.size()));
        }
    }
    output.endRow();
}

std::uint32_t streamRows(MdbHandle *mdb, MdbTableDef *table, TablePart part, std::uint32_t filePages, PageSpan pages,
    const std::vector<ColumnOutput> &outputs, ReaderSandbox &sandbox, ReaderOutput &output)
{
    std::vector<MdbField> fields(table->num_cols);
    std::vector<char> scratch(protocol::kMaxFieldSize);
    ReaderMemo memo(filePages);
    const bool anyBound = std::any_of(outputs.begin(), outputs.end(),
        [](const ColumnOutput &column) { return column.rendering == Rendering::Bound; });
    std::uint32_t rows = 0;
    mdb_rewind_table(table);
    // The library reads on from the first listed page after its current one; page 0 is the file header.
    table->cur_phys_pg = pages.first > 0 ? pages.first - 1 : 0;
    while (mdb_read_next_dpg(table)) {
        if (pages.stop && table->cur_phys_pg >= *pages.stop)
            break;
        const unsigned pageRows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (unsigned pageRow = 0; pageRow < pageRows; ++pageRow) {
            // The rows the library's own row loop takes: one listed without bytes, or marked deleted, is skipped.
            int rowStart = 0;
            std::size_t rowSize = 0;
            if (mdb_find_row(mdb, int(pageRow), &rowStart, &rowSize) != 0 || rowSize == 0 || (rowStart & kDeletedRow))
                continue;
            if (++rows > table->num_rows)
                fail(ReaderError::RowCountMismatch, "more rows than the table definition counts");
            // The library renders bound columns only in its own row read, which cracks the row too; the crack
            // here gives every field with its exact null flag (the library cannot tell NULL from an empty text).
            if ((anyBound && !mdb_read_row(table, pageRow))
                || mdb_crack_row(table, rowStart & kRowOffsetMask, rowSize, fields.data()) < 0)
                fail(ReaderError::RowUnreadable, "row " + std::to_string(rows));
            if (!fixedFieldsBeforeVariableOnes(fields.data(), table->num_cols))
                fail(ReaderError::RowUnreadable, "row " + std::to_string(rows) + ": fixed columns reach into the texts");
            streamRow(mdb, fields, outputs, scratch.data(), memo, output);
            // The library reports damaged pages and rows only in text; stop at the first word.
            if (rows % kRowsBetweenTextChecks == 0 && sandbox.libraryPrinted())
                checkLibraryText(sandbox, false);
        }
    }
    if (part.whole() && rows != table->num_rows)
        fail(ReaderError::RowCountMismatch,
            std::to_string(rows) + " rows read, the table definition counts " + std::to_string(table->num_rows));
    return rows;
}

} // namespace

void streamTable(const char *path, const char *tableName, TablePart part, ReaderSandbox &sandbox, ReaderOutput &output)
{
    const FileShape shape = checkFile(path);
    sandbox.allowMemoryFor(std::uint64_t(shape.pages) * 4096);

    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path, MDB_NOFLAGS));
    if (!mdb)
        fail(ReaderError::OpenFailed, sandbox.takeLibraryText());
    struct stat opened
    {
    };
    if (fstat(fileno(mdb->f->stream), &opened) != 0 || opened.st_dev != shape.device || opened.st_ino != shape.inode)
        fail(ReaderError::NotAFile, "file replaced while opening");
    usePageStream(mdb->f->stream);
    mdb_set_bind_size(mdb.get(), protocol::kMaxFieldSize);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
    sandbox.lockDown();

    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        fail(ReaderError::CatalogUnreadable, sandbox.takeLibraryText());
    checkLibraryText(sandbox, true);

    std::unique_ptr<MdbTableDef, TableFreer> table(findTable(mdb.get(), tableName));
    if (!table)
        fail(ReaderError::DefinitionUnreadable, sandbox.takeLibraryText());
    if (!mdb_read_columns(table.get()) || table->num_cols == 0 || table->num_cols > protocol::kMaxColumns)
        fail(ReaderError::DefinitionUnreadable, sandbox.takeLibraryText());
    if (const auto problem = tableDefinitionProblem(mdb.get(), table.get()))
        fail(ReaderError::DefinitionUnreadable, *problem);
    if (table->num_rows > shape.pages * protocol::kMaxRowsPerPage)
        fail(ReaderError::RowCountMismatch, "row count beyond what the file can hold");
    checkLibraryText(sandbox, false);

    std::vector<ColumnOutput> outputs(table->num_cols);
    std::vector<ReaderOutput::Column> columns;
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        ColumnOutput &output = outputs[i];
        output.column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        output.rendering = renderingOf(output.column->col_type);
        if (output.rendering == Rendering::Bound) {
            output.bound.resize(protocol::kMaxFieldSize);
            if (mdb_bind_column(table.get(), int(i) + 1, output.bound.data(), &output.boundSize) < 0)
                fail(ReaderError::DefinitionUnreadable, output.column->name);
        }
        columns.push_back({output.column->name,
            output.column->col_type == MDB_BOOL || isNumberType(output.column->col_type) ? protocol::kNumberKind
                                                                                         : protocol::kTextKind});
    }
    output.writeTable(shape.pages, table->num_rows, columns);

    const std::uint32_t rows =
        streamRows(mdb.get(), table.get(), part, shape.pages, pagesOf(part, shape.pages), outputs, sandbox, output);
    checkLibraryText(sandbox, false);
    output.writeEnd(rows);
}

} // namespace velkaro::reader
