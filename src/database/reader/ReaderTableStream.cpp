#include "database/reader/ReaderTableStream.h"

#include "database/reader/ColumnDescriptors.h"
#include "database/reader/Jet3Text.h"
#include "database/reader/Jet4Text.h"
#include "database/reader/JetHeader.h"
#include "database/reader/PageReader.h"
#include "database/reader/PageStream.h"
#include "database/reader/ReaderMemo.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/RowCracker.h"
#include "database/reader/TableDefinitionCheck.h"
#include "database/reader/TableRows.h"

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

// ACE's Large Number and Date/Time Extended, which the library does not know.
constexpr int kLargeNumber = 0x13;
constexpr int kExtendedDateTime = 0x14;

// How a column's values become text: numbers, booleans and short texts straight from the cracked field
// (with the library's accessors and converter, in the library's notation), memos from their pages, anything
// else by the library into a bound buffer. Values the reader cannot read (attachments, multi-value and calculated
// columns, extended dates) stream as null; a directory column of such a type is refused with its definition.
enum class Rendering { Boolean, Byte, Int16, Int32, Int64, Single, Double, Text, Memo, Ole, Unread, Bound };

Rendering renderingOf(int type)
{
    switch (type) {
    case kLargeNumber:
        return Rendering::Int64;
    case MDB_COMPLEX:
    case kExtendedDateTime:
        return Rendering::Unread;
    case MDB_BOOL:
        return Rendering::Boolean;
    case MDB_BYTE:
        return Rendering::Byte;
    case MDB_INT:
        return Rendering::Int16;
    case MDB_LONGINT:
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
    case Rendering::Int64:
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

template <typename T> T valueAt(const unsigned char *at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The text of a present field of `page` other than a short text, as the library's bound rendering gives it;
// `scratch` holds kMaxFieldSize bytes.
std::string_view rendered(
    const unsigned char *page, const ColumnOutput &output, const RowField &field, char *scratch, ReaderMemo &memo)
{
    if (field.size < std::uint32_t(widthOf(output.rendering)))
        fail(ReaderError::RowUnreadable, std::string("value shorter than its type in ") + output.column->name);
    const unsigned char *value = page + field.start;
    switch (output.rendering) {
    case Rendering::Boolean:
        return "1";
    case Rendering::Byte:
        return written(scratch, unsigned(value[0]));
    case Rendering::Int16:
        return written(scratch, valueAt<std::int16_t>(value));
    case Rendering::Int32:
        return written(scratch, valueAt<std::int32_t>(value));
    case Rendering::Int64:
        return written(scratch, valueAt<std::int64_t>(value));
    // The shortest text that reads back as the same value.
    case Rendering::Single:
        return written(scratch, valueAt<float>(value));
    case Rendering::Double:
        return written(scratch, valueAt<double>(value));
    case Rendering::Memo:
        return memo.text({value, field.size}, output.column->name, output.codePage);
    case Rendering::Text: // streamed by streamText
    case Rendering::Ole:
    case Rendering::Unread:
        return {};
    case Rendering::Bound:
        if (output.boundSize < 0 || std::size_t(output.boundSize) + 1 >= output.bound.size())
            fail(ReaderError::ValueTooLong, output.column->name);
        return {output.bound.data(), std::size_t(output.boundSize)};
    }
    return {};
}

// A short text decoded straight into the stream: UTF-8 takes at most three bytes for a byte of a code page, and
// two for a byte of Unicode (sixteen more for the vector path).
void streamText(const unsigned char *value, std::uint32_t size, const ColumnOutput &column, ReaderOutput &output)
{
    const std::size_t capacity = std::min<std::size_t>(
        column.codePage ? 3 * std::size_t(size) : 2 * std::size_t(size) + 16, protocol::kMaxFieldSize - 2);
    char *out = output.fieldSpace(capacity);
    const auto text = column.codePage ? jet3TextToUtf8(value, size, *column.codePage, out, capacity)
                                      : jet4TextToUtf8(value, size, out, capacity);
    if (text == kTextDoesNotFit)
        fail(ReaderError::ValueTooLong, column.column->name);
    output.keepField(std::uint32_t(text));
}

// The file's page numbers are split evenly among the parts, which splits a table that fills most of the file evenly.
PageSpan pagesOf(TablePart part, std::uint32_t filePages)
{
    const auto boundary = [&](std::uint32_t index) {
        return std::uint32_t(std::uint64_t(filePages) * index / part.count);
    };
    return {boundary(part.index), boundary(part.index + 1)};
}

std::uint32_t readU32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

std::vector<ColumnLayout> layoutOf(const std::vector<ColumnOutput> &outputs)
{
    std::vector<ColumnLayout> layout;
    for (const ColumnOutput &output : outputs) {
        const MdbColumn &column = *output.column;
        layout.push_back({std::uint16_t(column.col_num), column.is_fixed != 0, std::uint16_t(column.fixed_offset),
            std::uint16_t(output.rendering == Rendering::Boolean ? 0 : column.col_size),
            std::uint16_t(column.var_col_num)});
    }
    return layout;
}

std::uint32_t streamRows(MdbHandle *mdb, MdbTableDef *table, TableRows &rows, TablePart part, PageSpan span,
    std::uint32_t filePages, const std::vector<ColumnOutput> &outputs, ReaderSandbox &sandbox, ReaderOutput &output)
{
    const std::vector<ColumnLayout> layout = layoutOf(outputs);
    std::vector<RowField> fields(outputs.size());
    std::vector<char> scratch(protocol::kMaxFieldSize);
    ReaderMemo memo(mdb, filePages);
    const bool anyBound = std::any_of(outputs.begin(), outputs.end(),
        [](const ColumnOutput &column) { return column.rendering == Rendering::Bound; });
    const std::size_t pageSize = mdb->fmt->pg_size;
    std::optional<std::uint32_t> pageInLibrary;
    std::uint32_t count = 0;
    rows.forEach(span, [&](std::uint32_t number, std::span<const unsigned char> page, const Slot &slot) {
        if (++count > table->num_rows)
            fail(ReaderError::RowCountMismatch, "more rows than the table definition counts");
        if (!crackRow(page, slot.start, slot.size, rows.jet3(), layout, fields.data()))
            fail(ReaderError::RowUnreadable, "row " + std::to_string(count));
        // The library renders the other types (money, dates, binaries, ...) only in its own row read, on its page.
        if (anyBound) {
            if (pageInLibrary != number)
                std::memcpy(mdb->pg_buf, page.data(), pageSize);
            pageInLibrary = number;
            if (!mdb_read_row(table, slot.row))
                fail(ReaderError::RowUnreadable, "row " + std::to_string(count));
        }
        output.beginRow();
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            const ColumnOutput &column = outputs[i];
            // A boolean lives in the null mask: its "null" flag is its value.
            if (column.rendering == Rendering::Boolean && !fields[i].present) {
                output.addField("0", 1);
            } else if (!fields[i].present || column.rendering == Rendering::Unread) {
                output.addNull();
            } else if (column.rendering == Rendering::Text) {
                streamText(page.data() + fields[i].start, fields[i].size, column, output);
            } else {
                const std::string_view text = rendered(page.data(), column, fields[i], scratch.data(), memo);
                output.addField(text.data(), std::uint32_t(text.size()));
            }
        }
        output.endRow();
        // The library reports damaged pages and rows only in text; stop at the first word.
        if (count % kRowsBetweenTextChecks == 0 && sandbox.libraryPrinted())
            checkLibraryText(sandbox, false);
        return true;
    });
    if (part.whole() && count != table->num_rows)
        fail(ReaderError::RowCountMismatch,
            std::to_string(count) + " rows read, the table definition counts " + std::to_string(table->num_rows));
    return count;
}

// A table definition's pages joined, each after the first without its header.
std::vector<unsigned char> definitionBytes(PageReader &pages, MdbTableDef *table, std::uint32_t filePages)
{
    std::vector<unsigned char> bytes;
    std::uint32_t page = std::uint32_t(table->entry->table_pg);
    for (std::uint32_t count = 0; page != 0; ++count) {
        const std::span<const unsigned char> definition =
            count < filePages ? pages.page(page) : std::span<const unsigned char> {};
        if (definition.empty() || definition[0] != 0x02)
            fail(ReaderError::DefinitionUnreadable, "definition page " + std::to_string(page) + " unreadable");
        bytes.insert(bytes.end(), definition.begin() + (bytes.empty() ? 0 : 8), definition.end());
        page = readU32(definition.data() + 4);
    }
    return bytes;
}

// Letters of the texts in the `deciding` columns, from the table's first pages on, whichever part is read.
LetterCounts sampleLetters(TableRows &rows, const std::vector<ColumnOutput> &outputs, const std::vector<bool> &deciding)
{
    const std::vector<ColumnLayout> layout = layoutOf(outputs);
    std::vector<RowField> fields(outputs.size());
    LetterCounts letters;
    rows.forEach({0, UINT32_MAX}, [&](std::uint32_t, std::span<const unsigned char> page, const Slot &slot) {
        if (crackRow(page, slot.start, slot.size, true, layout, fields.data())) {
            for (std::size_t i = 0; i < deciding.size(); ++i) {
                if (deciding[i] && fields[i].present && outputs[i].rendering == Rendering::Text)
                    letters.add(page.data() + fields[i].start, fields[i].size);
            }
        }
        return letters.total() < kDecidingLetters;
    });
    return letters;
}

// Gives every text and memo of a Jet 3 table its code page: the one its column names, or the header's where
// it names none. Where that is the Western 1252, the texts decide between it and the Cyrillic 1251.
void assignCodePages(const std::map<int, ColumnDescriptor> &descriptors, TableRows &rows, const JetHeader &header,
    const CodePages &codePages, std::vector<ColumnOutput> &outputs)
{
    std::vector<bool> deciding(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        ColumnOutput &output = outputs[i];
        if (output.rendering != Rendering::Text && output.rendering != Rendering::Memo)
            continue;
        const auto found = descriptors.find(output.column->col_num);
        const std::uint16_t named = found != descriptors.end() ? found->second.codePage : 0;
        // A file that names no code page at all is read as one that names the Western one, as mdbtools does.
        const std::uint16_t codePage = named != 0 ? named : header.codePage != 0 ? header.codePage : 1252;
        deciding[i] = codePage == 1252;
        output.codePage = codePages.find(codePage);
        if (!output.codePage)
            fail(ReaderError::DefinitionUnreadable,
                std::string(output.column->name) + ": code page " + std::to_string(codePage));
    }
    if (std::find(deciding.begin(), deciding.end(), true) == deciding.end())
        return;
    const CodePageTable *decided = codePages.find(westernOrCyrillic(sampleLetters(rows, outputs, deciding)));
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
    const int pagesFd = fcntl(fileno(mdb->f->stream), F_DUPFD_CLOEXEC, 0);
    if (pagesFd < 0)
        fail(ReaderError::OpenFailed, "no descriptor for the pages");
    PageReader pages(pagesFd, shape.header.pageSize, shape.pages);
    usePageStream(mdb->f->stream);
    // Nothing below opens a file or makes a descriptor.
    sandbox.lockDown();

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

    const std::map<int, ColumnDescriptor> descriptors =
        columnDescriptors(definitionBytes(pages, table.get(), shape.pages), shape.header.format == JetFormat::Jet3);
    std::vector<ColumnOutput> outputs(table->num_cols);
    std::vector<ReaderOutput::Column> columns;
    for (unsigned int i = 0; i < table->num_cols; ++i) {
        ColumnOutput &output = outputs[i];
        output.column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        output.rendering = renderingOf(output.column->col_type);
        const auto descriptor = descriptors.find(output.column->col_num);
        if (descriptor != descriptors.end() && descriptor->second.calculated) {
            if (isDirectoryColumn(output.column->name))
                fail(ReaderError::DefinitionUnreadable, std::string(output.column->name) + ": a calculated column");
            output.rendering = Rendering::Unread;
        }
        if (output.rendering == Rendering::Bound) {
            output.bound.resize(protocol::kMaxFieldSize);
            if (mdb_bind_column(table.get(), int(i) + 1, output.bound.data(), &output.boundSize) < 0)
                fail(ReaderError::DefinitionUnreadable, output.column->name);
        }
        columns.push_back({output.column->name,
            output.column->col_type == MDB_BOOL || isNumberType(output.column->col_type) ? protocol::kNumberKind
                                                                                         : protocol::kTextKind});
    }
    TableRows rows(pages, {table->usage_map, table->map_sz}, std::uint32_t(table->entry->table_pg),
        shape.header.pageSize, shape.pages, shape.header.format == JetFormat::Jet3);
    if (codePages)
        assignCodePages(descriptors, rows, shape.header, *codePages, outputs);
    checkLibraryText(sandbox, false);
    output.writeTable(shape.pages, table->num_rows, columns);

    const std::uint32_t count = streamRows(
        mdb.get(), table.get(), rows, part, pagesOf(part, shape.pages), shape.pages, outputs, sandbox, output);
    checkLibraryText(sandbox, false);
    output.writeEnd(count);
}

} // namespace velkaro::reader
