#include "database/reader/ReaderTableStream.h"

#include "database/reader/Jet3Definition.h"
#include "database/reader/Jet3Text.h"
#include "database/reader/Jet4Text.h"
#include "database/reader/JetHeader.h"
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

constexpr std::uint32_t kRowsBetweenTextChecks = 1024;
// A row's entry in its page's offset table: the row's offset in its low bits, and two flags. A row that grew
// out of its page keeps its home slot, flagged kMovedRow, holding where it went; its data lies in a slot
// flagged kMovedData, which a scan skips. A deleted row has both flags.
constexpr int kRowOffsetMask = 0x1FFF;
constexpr int kMovedRow = 0x4000;
constexpr int kMovedData = 0x8000;
// Letters of Jet 3 texts that decide between the Western and the Cyrillic code page.
constexpr std::uint64_t kDecidingLetters = 10000;

struct FileShape
{
    dev_t device = 0;
    ino_t inode = 0;
    std::uint32_t pages = 0;
    JetHeader header;
};

// Refuses what is not a whole, unlocked Jet 3, Jet 4 or ACE file before the library sees it: the library
// blocks on a FIFO, accepts any file whose first byte is zero, decodes encoded pages, and reads a short last
// page as if zero-filled.
FileShape checkFile(const char *path)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(ReaderError::NotAFile, "cannot open");
    struct stat info
    {
    };
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::array<unsigned char, kJetHeaderBytes> header {};
    const bool headerRead = regular && pread(fd, header.data(), header.size(), 0) == ssize_t(header.size());
    close(fd);
    if (!regular)
        fail(ReaderError::NotAFile, "not a regular file");
    if (!headerRead)
        fail(ReaderError::NotJetFile, "shorter than a header");

    const JetHeader jet = parseJetHeader(header);
    const off_t pageSize = jet.pageSize;
    // Page 2 holds the catalogue's definition, so a database has at least three pages.
    if (info.st_size % pageSize != 0 || info.st_size < 3 * pageSize
        || info.st_size / pageSize > off_t(UINT32_MAX / protocol::kMaxRowsPerPage))
        fail(ReaderError::Truncated, "file size " + std::to_string(info.st_size));
    return {info.st_dev, info.st_ino, static_cast<std::uint32_t>(info.st_size / pageSize), jet};
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
    // The code page of a Jet 3 text or memo; none in later formats, whose texts are Unicode.
    const CodePageTable *codePage = nullptr;
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
        const auto *bytes = static_cast<const unsigned char *>(mdb->pg_buf) + start;
        const auto size = output.codePage
            ? jet3TextToUtf8(bytes, std::size_t(field.siz), *output.codePage, scratch, protocol::kMaxFieldSize - 2)
            : jet4TextToUtf8(bytes, std::size_t(field.siz), scratch, protocol::kMaxFieldSize - 2);
        if (!size)
            fail(ReaderError::ValueTooLong, output.column->name);
        return {scratch, *size};
    }
    case Rendering::Memo:
        return memo.text(mdb, field, output.column->name, output.codePage);
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

std::uint32_t readU32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

// A slot of the page in the library's buffer, with its flags; none for a slot without bytes or out of the page.
struct Slot
{
    unsigned row = 0;
    int start = 0;
    std::size_t size = 0;
};

std::optional<Slot> slotOf(MdbHandle *mdb, unsigned row)
{
    Slot slot {row, 0, 0};
    if (mdb_find_row(mdb, int(row), &slot.start, &slot.size) != 0 || slot.size == 0)
        return std::nullopt;
    return slot;
}

// Puts the page a moved row went to in the library's buffer and returns the slot of its data. Its home slot
// holds the row's number on that page in its first byte and the page in the next three; the page must be one of
// the table's data pages and the slot one that holds moved data, which also ends any loop.
Slot movedSlot(MdbHandle *mdb, MdbTableDef *table, const Slot &home, std::uint32_t filePages)
{
    if (home.size < 4)
        fail(ReaderError::RowUnreadable, "moved row without its new place");
    const unsigned char *pointer = mdb->pg_buf + (home.start & kRowOffsetMask);
    const unsigned row = pointer[0];
    const std::uint32_t page = readU32(pointer) >> 8;
    if (page == 0 || page >= filePages || !mdb_read_pg(mdb, page))
        fail(ReaderError::RowUnreadable, "moved row on page " + std::to_string(page) + ", past the file");
    if (mdb->pg_buf[0] != 0x01 || readU32(mdb->pg_buf + 4) != table->entry->table_pg)
        fail(ReaderError::RowUnreadable, "moved row on page " + std::to_string(page) + ", not the table's");
    const unsigned pageRows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    const std::optional<Slot> moved = row < pageRows ? slotOf(mdb, row) : std::nullopt;
    if (!moved || (moved->start & (kMovedRow | kMovedData)) != kMovedData)
        fail(ReaderError::RowUnreadable,
            "moved row at page " + std::to_string(page) + " row " + std::to_string(row) + ", which holds none");
    return *moved;
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
    // Streams the row of `slot` on the page in the library's buffer.
    const auto stream = [&](const Slot &slot) {
        if (++rows > table->num_rows)
            fail(ReaderError::RowCountMismatch, "more rows than the table definition counts");
        // The library renders bound columns only in its own row read, which cracks the row too; the crack
        // here gives every field with its exact null flag (the library cannot tell NULL from an empty text).
        if ((anyBound && !mdb_read_row(table, slot.row))
            || mdb_crack_row(table, slot.start & kRowOffsetMask, slot.size, fields.data()) < 0)
            fail(ReaderError::RowUnreadable, "row " + std::to_string(rows));
        if (!fixedFieldsBeforeVariableOnes(fields.data(), table->num_cols))
            fail(ReaderError::RowUnreadable, "row " + std::to_string(rows) + ": fixed columns reach into the texts");
        streamRow(mdb, fields, outputs, scratch.data(), memo, output);
    };
    mdb_rewind_table(table);
    // The library reads on from the first listed page after its current one; page 0 is the file header.
    table->cur_phys_pg = pages.first > 0 ? pages.first - 1 : 0;
    while (mdb_read_next_dpg(table)) {
        if (pages.stop && table->cur_phys_pg >= *pages.stop)
            break;
        const unsigned pageRows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        // Rows come in home-slot order, as Access returns them: a moved row where its home slot is.
        for (unsigned pageRow = 0; pageRow < pageRows; ++pageRow) {
            const std::optional<Slot> slot = slotOf(mdb, pageRow);
            if (!slot || (slot->start & kMovedData))
                continue;
            if (slot->start & kMovedRow) {
                const std::uint32_t home = table->cur_phys_pg;
                stream(movedSlot(mdb, table, *slot, filePages));
                if (!mdb_read_pg(mdb, home))
                    fail(ReaderError::RowUnreadable, "page " + std::to_string(home) + " unreadable");
            } else {
                stream(*slot);
            }
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

// A table definition's pages joined, each after the first without its header.
std::vector<unsigned char> definitionBytes(MdbHandle *mdb, MdbTableDef *table, std::uint32_t filePages)
{
    std::vector<unsigned char> bytes;
    const std::size_t pageSize = mdb->fmt->pg_size;
    std::uint32_t page = std::uint32_t(table->entry->table_pg);
    for (std::uint32_t pages = 0; page != 0; ++pages) {
        if (pages >= filePages || page >= filePages || !mdb_read_pg(mdb, page) || mdb->pg_buf[0] != 0x02)
            fail(ReaderError::DefinitionUnreadable, "definition page " + std::to_string(page) + " unreadable");
        bytes.insert(bytes.end(), mdb->pg_buf + (bytes.empty() ? 0 : 8), mdb->pg_buf + pageSize);
        page = readU32(mdb->pg_buf + 4);
    }
    return bytes;
}

// Letters of the texts in the `deciding` columns, from the table's first pages on, whichever part is read.
LetterCounts sampleLetters(MdbHandle *mdb, MdbTableDef *table, const std::vector<bool> &deciding)
{
    std::vector<MdbField> fields(table->num_cols);
    LetterCounts letters;
    mdb_rewind_table(table);
    while (letters.total() < kDecidingLetters && mdb_read_next_dpg(table)) {
        const unsigned pageRows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (unsigned pageRow = 0; pageRow < pageRows; ++pageRow) {
            const std::optional<Slot> slot = slotOf(mdb, pageRow);
            if (!slot || (slot->start & (kMovedRow | kMovedData))
                || mdb_crack_row(table, slot->start & kRowOffsetMask, slot->size, fields.data()) < 0)
                continue;
            for (std::size_t i = 0; i < deciding.size(); ++i) {
                if (deciding[i] && !fields[i].is_null && fields[i].siz > 0)
                    letters.add(mdb->pg_buf + fields[i].start, std::size_t(fields[i].siz));
            }
        }
    }
    return letters;
}

// Gives every text and memo of a Jet 3 table its code page: the one its column names, or the header's where
// it names none. Where that is the Western 1252, the texts decide between it and the Cyrillic 1251.
void assignCodePages(MdbHandle *mdb, MdbTableDef *table, std::uint32_t filePages, const JetHeader &header,
    const CodePages &codePages, std::vector<ColumnOutput> &outputs)
{
    const std::map<int, std::uint16_t> named = jet3ColumnCodePages(definitionBytes(mdb, table, filePages));
    std::vector<bool> deciding(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        ColumnOutput &output = outputs[i];
        if (output.rendering != Rendering::Text && output.rendering != Rendering::Memo)
            continue;
        const auto found = named.find(output.column->col_num);
        const std::uint16_t codePage = found != named.end() && found->second != 0 ? found->second : header.codePage;
        deciding[i] = codePage == 1252;
        output.codePage = codePages.find(codePage);
        if (!output.codePage)
            fail(ReaderError::DefinitionUnreadable,
                std::string(output.column->name) + ": code page " + std::to_string(codePage));
    }
    if (std::find(deciding.begin(), deciding.end(), true) == deciding.end())
        return;
    const CodePageTable *decided = codePages.find(westernOrCyrillic(sampleLetters(mdb, table, deciding)));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (deciding[i])
            outputs[i].codePage = decided;
    }
}

} // namespace

void streamTable(const char *path, const char *tableName, TablePart part, ReaderSandbox &sandbox, ReaderOutput &output)
{
    const FileShape shape = checkFile(path);
    sandbox.allowMemoryFor(std::uint64_t(shape.pages) * 4096);
    // Jet 3 texts are single bytes in a code page; the converters load files of their own.
    std::optional<CodePages> codePages;
    if (shape.header.format == JetFormat::Jet3)
        codePages.emplace();

    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path, MDB_NOFLAGS));
    if (!mdb)
        fail(ReaderError::OpenFailed, sandbox.takeLibraryText());
    struct stat opened
    {
    };
    if (fstat(fileno(mdb->f->stream), &opened) != 0 || opened.st_dev != shape.device || opened.st_ino != shape.inode)
        fail(ReaderError::NotAFile, "file replaced while opening");
    // Nothing below opens a file.

    usePageStream(mdb->f->stream);
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
    if (codePages)
        assignCodePages(mdb.get(), table.get(), shape.pages, shape.header, *codePages, outputs);
    checkLibraryText(sandbox, false);
    output.writeTable(shape.pages, table->num_rows, columns);

    const std::uint32_t rows =
        streamRows(mdb.get(), table.get(), part, shape.pages, pagesOf(part, shape.pages), outputs, sandbox, output);
    checkLibraryText(sandbox, false);
    output.writeEnd(rows);
}

} // namespace velkaro::reader
