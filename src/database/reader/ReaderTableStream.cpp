#include "database/reader/ReaderTableStream.h"

#include "database/reader/Jet3Text.h"
#include "database/reader/Jet4Text.h"
#include "database/reader/JetHeader.h"
#include "database/reader/PageReader.h"
#include "database/reader/ReaderFile.h"
#include "database/reader/ReaderMemo.h"
#include "database/reader/ReaderOutput.h"
#include "database/reader/ReaderSandbox.h"
#include "database/reader/RowCracker.h"
#include "database/reader/TableCatalogue.h"
#include "database/reader/TableDefinition.h"
#include "database/reader/TableDefinitionCheck.h"
#include "database/reader/TableRows.h"
#include "database/reader/ValueText.h"

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

// Letters of Jet 3 texts that decide between the Western and the Cyrillic code page.
constexpr std::uint64_t kDecidingLetters = 10000;

// What the file's size and first page say of it.
struct FileShape
{
    std::uint32_t pages = 0;
    JetHeader header;
};

// Refuses what is not a whole, unlocked Jet 3, Jet 4 or ACE file: a locked file's pages are encoded or encrypted,
// and a short last page is a cut file.
FileShape shapeOf(const ReaderFile &file)
{
    std::array<unsigned char, kJetHeaderBytes> header {};
    if (file.readAt(header.data(), header.size(), 0) != header.size())
        fail(ReaderError::NotJetFile, "shorter than a header");
    FileShape shape {0, parseJetHeader(header)};
    const std::uint64_t pageSize = shape.header.pageSize;
    // Page 2 holds the catalogue's definition, so a database has at least three pages.
    if (file.size() % pageSize != 0 || file.size() < 3 * pageSize
        || file.size() / pageSize > UINT32_MAX / protocol::kMaxRowsPerPage)
        fail(ReaderError::Truncated, "file size " + std::to_string(file.size()));
    shape.pages = std::uint32_t(file.size() / pageSize);
    return shape;
}

// How a column's values become text: numbers, booleans and short texts straight from the cracked field (in the
// shortest notation that reads back as the same value), memos from their pages, binaries as their bytes, the other
// types by ValueText. Values the reader cannot read (attachments, multi-value and calculated columns, extended
// dates) stream as null; a directory column of such a type is refused with its definition.
enum class Rendering {
    Boolean,
    Byte,
    Int16,
    Int32,
    Int64,
    Single,
    Double,
    Money,
    DateTime,
    Guid,
    Numeric,
    Binary,
    Text,
    Memo,
    Ole,
    Unread
};

Rendering renderingOf(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return Rendering::Boolean;
    case ColumnType::Byte:
        return Rendering::Byte;
    case ColumnType::Integer:
        return Rendering::Int16;
    case ColumnType::Long:
        return Rendering::Int32;
    case ColumnType::LargeNumber:
        return Rendering::Int64;
    case ColumnType::Single:
        return Rendering::Single;
    case ColumnType::Double:
        return Rendering::Double;
    case ColumnType::Text:
        return Rendering::Text;
    case ColumnType::Memo:
        return Rendering::Memo;
    case ColumnType::Ole:
        return Rendering::Ole;
    case ColumnType::Money:
        return Rendering::Money;
    case ColumnType::DateTime:
        return Rendering::DateTime;
    case ColumnType::Guid:
        return Rendering::Guid;
    case ColumnType::Numeric:
        return Rendering::Numeric;
    case ColumnType::Binary:
        return Rendering::Binary;
    case ColumnType::Complex:
    case ColumnType::ExtendedDateTime:
        return Rendering::Unread;
    }
    return Rendering::Unread;
}

// Bytes a fixed-size value occupies in the row.
std::uint32_t widthOf(Rendering rendering)
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
    case Rendering::Money:
        return kMoneyBytes;
    case Rendering::DateTime:
        return kDateTimeBytes;
    case Rendering::Guid:
        return kGuidBytes;
    case Rendering::Numeric:
        return kNumericBytes;
    default:
        return 0;
    }
}

struct ColumnOutput
{
    const ColumnDefinition *column = nullptr;
    Rendering rendering = Rendering::Unread;
    // The code page of a Jet 3 text or memo; none in later formats, whose texts are Unicode.
    const CodePageTable *codePage = nullptr;
};

// Room for the text of a number or of a value ValueText renders.
constexpr std::size_t kScratchBytes =
    std::max({std::size_t(64), kMoneyTextCapacity, kDateTimeTextCapacity, kGuidTextCapacity, kNumericTextCapacity});

template <typename T> std::string_view written(char *out, T value)
{
    const std::to_chars_result result = std::to_chars(out, out + kScratchBytes, value);
    return {out, std::size_t(result.ptr - out)};
}

template <typename T> T valueAt(const unsigned char *at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The text of a present field of `page` other than a short text; `scratch` holds kScratchBytes.
std::string_view rendered(
    const unsigned char *page, const ColumnOutput &output, const RowField &field, char *scratch, ReaderMemo &memo)
{
    // A fixed-size type kept among the variable values has exactly its size there too.
    const std::uint32_t width = widthOf(output.rendering);
    if (width > 0 && field.size != width)
        fail(ReaderError::RowUnreadable, "value not of its type's size in " + output.column->name);
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
    case Rendering::Single:
        return written(scratch, valueAt<float>(value));
    case Rendering::Double:
        return written(scratch, valueAt<double>(value));
    case Rendering::Money:
        return moneyText(value, scratch);
    case Rendering::DateTime:
        return dateTimeText(value, scratch);
    case Rendering::Guid:
        return guidText(value, scratch);
    case Rendering::Numeric:
        return numericText(value, output.column->scale, scratch);
    case Rendering::Binary:
        if (field.size > protocol::kMaxFieldSize)
            fail(ReaderError::ValueTooLong, output.column->name);
        return {reinterpret_cast<const char *>(value), field.size};
    case Rendering::Memo:
        return memo.text({value, field.size}, output.column->name.c_str(), output.codePage);
    case Rendering::Text: // streamed by streamText
    case Rendering::Ole:
    case Rendering::Unread:
        return {};
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

std::vector<ColumnLayout> layoutOf(const std::vector<ColumnOutput> &outputs)
{
    std::vector<ColumnLayout> layout;
    for (const ColumnOutput &output : outputs) {
        const ColumnDefinition &column = *output.column;
        layout.push_back({column.number, column.fixed, column.fixedOffset,
            std::uint16_t(output.rendering == Rendering::Boolean ? 0 : column.size), column.variableIndex});
    }
    return layout;
}

// Writes rows of the table with the chosen columns (indexes into `outputs`, every column of the table). Every row is
// checked against all the table's columns, as in a read of all of them: which fixed values a row holds follows
// from all of the table's fixed columns, in their order.
class RowWriter
{
public:
    RowWriter(PageReader &pages, std::uint32_t filePages, bool jet3, const std::vector<ColumnOutput> &outputs,
        const std::vector<std::size_t> &chosen, ReaderOutput &output)
        : m_outputs(outputs)
        , m_chosen(chosen)
        , m_cracker(layoutOf(outputs), chosen)
        , m_fields(chosen.size())
        , m_memo(pages, filePages, jet3)
        , m_jet3(jet3)
        , m_output(output)
    { }

    void write(std::span<const unsigned char> page, const Slot &slot, std::uint32_t count)
    {
        if (!m_cracker.crack(page, slot.start, slot.size, m_jet3, m_fields.data()))
            fail(ReaderError::RowUnreadable, "row " + std::to_string(count));
        m_output.beginRow();
        for (std::size_t i = 0; i < m_chosen.size(); ++i) {
            const ColumnOutput &column = m_outputs[m_chosen[i]];
            const RowField &field = m_fields[i];
            // A boolean lives in the null mask: its "null" flag is its value.
            if (column.rendering == Rendering::Boolean && !field.present) {
                m_output.addField("0", 1);
            } else if (!field.present || column.rendering == Rendering::Unread) {
                m_output.addNull();
            } else if (column.rendering == Rendering::Text) {
                streamText(page.data() + field.start, field.size, column, m_output);
            } else {
                const std::string_view text = rendered(page.data(), column, field, m_scratch.data(), m_memo);
                // A date outside Access's range has no text.
                if (column.rendering == Rendering::DateTime && text.empty())
                    m_output.addNull();
                else
                    m_output.addField(text.data(), std::uint32_t(text.size()));
            }
        }
        m_output.endRow();
    }

private:
    const std::vector<ColumnOutput> &m_outputs;
    const std::vector<std::size_t> &m_chosen;
    ChosenColumnsCracker m_cracker;
    std::vector<RowField> m_fields;
    std::array<char, kScratchBytes> m_scratch;
    ReaderMemo m_memo;
    bool m_jet3;
    ReaderOutput &m_output;
};

// Every row of the part's pages; with `pageRecords`, each page's rows after a record of the page.
std::uint32_t streamRows(const TableDefinition &table, TableRows &rows, TablePart part, PageSpan span, bool pageRecords,
    RowWriter &writer, ReaderOutput &output)
{
    std::uint32_t count = 0;
    std::uint32_t announced = 0;
    rows.forEach(span, [&](std::uint32_t home, std::span<const unsigned char> page, const Slot &slot) {
        if (++count > table.rowCount)
            fail(ReaderError::RowCountMismatch, "more rows than the table definition counts");
        if (pageRecords && home != announced) {
            output.writePage(home);
            announced = home;
        }
        writer.write(page, slot, count);
        return true;
    });
    if (part.whole() && count != table.rowCount)
        fail(ReaderError::RowCountMismatch,
            std::to_string(count) + " rows read, the table definition counts " + std::to_string(table.rowCount));
    return count;
}

// The rows at `places` (ascending), each found by its number among its home page's rows.
std::uint32_t streamPlacedRows(const std::vector<std::uint32_t> &places, TableRows &rows, RowWriter &writer)
{
    std::size_t next = 0;
    while (next < places.size()) {
        const std::uint32_t home = places[next] >> 8;
        std::uint32_t number = 0;
        rows.forEach({home, home + 1}, [&](std::uint32_t, std::span<const unsigned char> page, const Slot &slot) {
            if (next < places.size() && places[next] == (home << 8 | number)) {
                writer.write(page, slot, std::uint32_t(next) + 1);
                ++next;
            }
            ++number;
            return next < places.size() && places[next] >> 8 == home;
        });
        if (next < places.size() && places[next] >> 8 == home)
            fail(ReaderError::RowUnreadable,
                "no row " + std::to_string(places[next] & 0xFF) + " among the rows of page " + std::to_string(home));
    }
    return std::uint32_t(places.size());
}

// The indexes of the columns `names` asks for, in that order; all of them when it names none.
std::vector<std::size_t> chosenOutputs(const std::vector<ColumnOutput> &outputs, const std::vector<std::string> &names)
{
    std::vector<std::size_t> chosen;
    for (const std::string &name : names) {
        const auto found = std::find_if(outputs.begin(), outputs.end(),
            [&name](const ColumnOutput &output) { return sameName(output.column->name, name); });
        if (found == outputs.end())
            fail(ReaderError::ColumnNotFound, name);
        chosen.push_back(std::size_t(found - outputs.begin()));
    }
    for (std::size_t i = 0; names.empty() && i < outputs.size(); ++i)
        chosen.push_back(i);
    return chosen;
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
void assignCodePages(
    TableRows &rows, const JetHeader &header, const CodePages &codePages, std::vector<ColumnOutput> &outputs)
{
    std::vector<bool> deciding(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        ColumnOutput &output = outputs[i];
        if (output.rendering != Rendering::Text && output.rendering != Rendering::Memo)
            continue;
        const std::uint16_t named = output.column->codePage;
        // A file that names no code page at all is read as one that names the Western one.
        const std::uint16_t codePage = named != 0 ? named : header.codePage != 0 ? header.codePage : 1252;
        deciding[i] = codePage == 1252;
        output.codePage = codePages.find(codePage);
        if (!output.codePage)
            fail(ReaderError::DefinitionUnreadable, output.column->name + ": code page " + std::to_string(codePage));
    }
    if (std::find(deciding.begin(), deciding.end(), true) == deciding.end())
        return;
    const CodePageTable *decided = codePages.find(westernOrCyrillic(sampleLetters(rows, outputs, deciding)));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (deciding[i])
            outputs[i].codePage = decided;
    }
}

// The system's single-byte code pages, loaded once a process.
const CodePages &systemCodePages()
{
    static const CodePages codePages;
    return codePages;
}

// The code page of a Jet 3 file's names: its header's, the Western one where it names none the reader knows.
const CodePageTable *namesCodePage(const CodePages &codePages, const JetHeader &header)
{
    const CodePageTable *named = codePages.find(header.codePage);
    return named ? named : codePages.find(1252);
}

} // namespace

void streamTable(
    const char *path, const char *tableName, const TableRequest &request, ReaderSandbox &sandbox, ReaderOutput &output)
{
    const ReaderFile file(path);
    const FileShape shape = shapeOf(file);
    PageReader pages(file, shape.header.pageSize, shape.pages);
    sandbox.allowMemoryFor(std::uint64_t(shape.pages) * shape.header.pageSize);
    const bool jet3 = shape.header.format == JetFormat::Jet3;
    // Jet 3 texts are single bytes in a code page; the converters load files of their own.
    const CodePages *codePages = jet3 ? &systemCodePages() : nullptr;
    // Nothing below opens a file or makes a descriptor.
    sandbox.lockDown();

    const CodePageTable *jet3Names = jet3 ? namesCodePage(*codePages, shape.header) : nullptr;
    const std::uint32_t definitionPage = tableDefinitionPage(pages, shape.pages, tableName, jet3Names);
    const TableDefinition table = parseTableDefinition(definitionBytes(pages, definitionPage, shape.pages), jet3Names);
    if (table.columns.empty() || table.columns.size() > protocol::kMaxColumns)
        fail(ReaderError::DefinitionUnreadable, std::to_string(table.columns.size()) + " columns");
    if (const auto problem = tableDefinitionProblem(table, jet3, shape.header.pageSize))
        fail(ReaderError::DefinitionUnreadable, *problem);
    if (table.rowCount > shape.pages * protocol::kMaxRowsPerPage)
        fail(ReaderError::RowCountMismatch, "row count beyond what the file can hold");

    std::vector<ColumnOutput> outputs(table.columns.size());
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDefinition &column = table.columns[i];
        ColumnOutput &output = outputs[i];
        output.column = &column;
        output.rendering = renderingOf(column.type);
        if (column.calculated) {
            if (isDirectoryColumn(column.name))
                fail(ReaderError::DefinitionUnreadable, column.name + ": a calculated column");
            output.rendering = Rendering::Unread;
        }
    }
    TableRows rows(
        pages, pointedRow(pages, table.usageMap, jet3), definitionPage, shape.header.pageSize, shape.pages, jet3);
    // Every column takes part in deciding a code page, so that a few chosen ones read as the whole table does.
    if (codePages)
        assignCodePages(rows, shape.header, *codePages, outputs);
    const std::vector<std::size_t> chosen = chosenOutputs(outputs, request.columns);
    std::vector<ReaderOutput::Column> columns;
    for (const std::size_t i : chosen) {
        const ColumnDefinition &column = *outputs[i].column;
        columns.push_back({column.name,
            column.type == ColumnType::Boolean || isNumberType(column.type) ? protocol::kNumberKind
                                                                            : protocol::kTextKind});
    }
    output.writeTable(shape.pages, table.rowCount, columns);
    RowWriter writer(pages, shape.pages, jet3, outputs, chosen, output);
    const std::uint32_t count = request.byPlaces
        ? streamPlacedRows(request.places, rows, writer)
        : streamRows(
            table, rows, request.part, pagesOf(request.part, shape.pages), !request.columns.empty(), writer, output);
    output.writeEnd(count);
}

} // namespace velkaro::reader
