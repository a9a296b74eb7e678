#include "database/readtable/ReadTableDecoder.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderProtocol.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace velkaro::database {

namespace protocol = reader_protocol;

namespace {

[[noreturn]] void garbage(const char *what)
{
    throw DatabaseError(std::string("reader stream: ") + what);
}

} // namespace

ReadTableDecoder::ReadTableDecoder(RowSink &sink, std::uint64_t fileBytes)
    : m_sink(sink)
    , m_fileBytes(fileBytes)
    , m_recordLimit(protocol::kMaxTableRecordSize)
{ }

char *ReadTableDecoder::receiveBuffer(std::size_t size)
{
    if (m_buffer.size() - m_end < size) {
        // The buffer starts empty (no data to move) and grows only with the bytes that arrive.
        if (m_begin > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        if (m_buffer.size() - m_end < size)
            m_buffer.resize(m_end + size);
    }
    return m_buffer.data() + m_end;
}

void ReadTableDecoder::received(std::size_t size)
{
    if (size > m_buffer.size() - m_end)
        garbage("receive overrun");
    m_end += size;
    while (m_begin < m_end) {
        if (m_state == State::Finished)
            garbage("data after the end record");
        const std::size_t used = decodeRecord(m_buffer.data() + m_begin, m_end - m_begin);
        if (used == 0)
            break;
        m_begin += used;
    }
}

std::size_t ReadTableDecoder::decodeRecord(const char *data, std::size_t size)
{
    if (m_state == State::Preamble) {
        if (size < protocol::kPreambleSize)
            return 0;
        if (std::memcmp(data, protocol::kMagic, sizeof protocol::kMagic) != 0
            || protocol::getU32(data + 4) != protocol::kVersion)
            garbage("bad preamble");
        m_state = State::Table;
        return protocol::kPreambleSize;
    }
    if (size < protocol::kRecordHeaderSize)
        return 0;
    const auto tag = static_cast<std::uint8_t>(data[0]);
    const std::uint32_t payloadSize = protocol::getU32(data + 1);
    if (payloadSize > m_recordLimit)
        garbage("record too large");
    // The buffer grows as the record arrives, never for a size only announced.
    if (size - protocol::kRecordHeaderSize < payloadSize)
        return 0;
    const char *payload = data + protocol::kRecordHeaderSize;
    if (tag == protocol::kErrorTag)
        decodeError(payload, payloadSize);
    else if (tag == protocol::kTableTag && m_state == State::Table)
        decodeTable(payload, payloadSize);
    else if (tag == protocol::kRowsTag && m_state == State::Rows)
        decodeRows(payload, payloadSize);
    else if (tag == protocol::kPageTag && m_state == State::Rows)
        decodePage(payload, payloadSize);
    else if (tag == protocol::kEndTag && m_state == State::Rows)
        decodeEnd(payload, payloadSize);
    else
        garbage("unexpected record");
    return protocol::kRecordHeaderSize + payloadSize;
}

void ReadTableDecoder::decodeTable(const char *payload, std::uint32_t size)
{
    if (size < 10)
        garbage("short table record");
    const std::uint32_t pages = protocol::getU32(payload);
    m_pages = pages;
    m_expectedRows = protocol::getU32(payload + 4);
    const std::uint16_t columnCount = protocol::getU16(payload + 8);
    if (columnCount == 0 || columnCount > protocol::kMaxColumns)
        garbage("bad column count");
    if (std::uint64_t(pages) * protocol::kMinPageSize > m_fileBytes)
        garbage("more pages announced than the file holds");
    if (std::uint64_t(m_expectedRows) > std::uint64_t(pages) * protocol::kMaxRowsPerPage)
        garbage("more rows announced than the file can hold");
    // A memo may be as long as the file holds; its UTF-8 text takes at most two bytes for each stored one.
    m_recordLimit = protocol::kMaxRecordSize + 2 * std::uint64_t(pages) * protocol::kMaxPageSize;

    std::vector<ColumnInfo> columns;
    std::uint32_t at = 10;
    for (std::uint16_t i = 0; i < columnCount; ++i) {
        if (size - at < 3)
            garbage("short column");
        const auto kind = static_cast<std::uint8_t>(payload[at]);
        const std::uint16_t nameSize = protocol::getU16(payload + at + 1);
        at += 3;
        if (size - at < nameSize || nameSize > protocol::kMaxColumnNameSize
            || (kind != protocol::kTextKind && kind != protocol::kNumberKind))
            garbage("bad column");
        columns.push_back({QString::fromUtf8(payload + at, nameSize),
            kind == protocol::kNumberKind ? ColumnKind::Number : ColumnKind::Text});
        at += nameSize;
    }
    if (at != size)
        garbage("table record size");
    m_fields.resize(columnCount);
    m_state = State::Rows;
    m_sink.columns(std::move(columns));
}

void ReadTableDecoder::decodeRows(const char *payload, std::uint32_t size)
{
    if (size < 4)
        garbage("short rows record");
    const std::uint32_t rows = protocol::getU32(payload);
    if (m_rows + rows > m_expectedRows)
        garbage("more rows than announced");
    std::uint32_t at = 4;
    for (std::uint32_t row = 0; row < rows; ++row) {
        for (FieldView &field : m_fields) {
            if (size - at < 4)
                garbage("short row");
            const std::uint32_t fieldSize = protocol::getU32(payload + at);
            at += 4;
            if (fieldSize == protocol::kNullField) {
                field = FieldView {};
                continue;
            }
            if (size - at < fieldSize)
                garbage("short field");
            field = FieldView {payload + at, fieldSize, false};
            at += fieldSize;
        }
        m_sink.row(m_fields);
    }
    if (at != size)
        garbage("rows record size");
    m_rows += rows;
}

void ReadTableDecoder::decodePage(const char *payload, std::uint32_t size)
{
    if (size != 4)
        garbage("bad page record");
    const std::uint32_t page = protocol::getU32(payload);
    // The pages come in the order they lie in the file, each once; page 0 is the header.
    if (page <= m_lastPage || page >= m_pages)
        garbage("page record out of order or past the file");
    m_lastPage = page;
    m_sink.page(page);
}

void ReadTableDecoder::decodeEnd(const char *payload, std::uint32_t size)
{
    if (size != 4 || protocol::getU32(payload) != m_rows)
        garbage("end record does not match the rows");
    m_state = State::Finished;
}

void ReadTableDecoder::decodeError(const char *payload, std::uint32_t size)
{
    if (size < 1)
        garbage("short error record");
    throw DatabaseError("reader: error " + std::to_string(static_cast<unsigned char>(payload[0])) + ": "
        + std::string(payload + 1, std::min(size - 1, protocol::kMaxErrorDetail)));
}

} // namespace velkaro::database
