#pragma once

#include "database/reader/DefaultInitAllocator.h"
#include "database/readtable/ReaderProtocol.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace velkaro::reader {

// Writes the protocol stream to a descriptor; rows are gathered into large records so that a row costs
// a few bytes copied, never a system call. The calls made for every field are inline: out of line, their calls
// and the vector's bookkeeping cost more than the bytes they write.
class ReaderOutput
{
public:
    explicit ReaderOutput(int fd);

    struct Column
    {
        std::string_view name;
        std::uint8_t kind;
    };
    void writeTable(std::uint32_t filePages, std::uint32_t expectedRows, const std::vector<Column> &columns);

    void beginRow()
    {
        if (!m_rowsRecordOpen)
            openRowsRecord();
        m_rowAt = m_size;
        m_rowOpen = true;
    }
    void addNull() { database::reader_protocol::putU32(grow(4), database::reader_protocol::kNullField); }
    void addField(const char *data, std::uint32_t size)
    {
        char *out = grow(4 + std::size_t(size));
        database::reader_protocol::putU32(out, size);
        if (size > 0) // an empty text may come without a buffer
            std::memcpy(out + 4, data, size);
    }
    // Room for the bytes of the next field, at most `capacity`, to be written in place; valid until keepField,
    // which then makes the first `size` of them the field.
    char *fieldSpace(std::size_t capacity)
    {
        m_fieldAt = m_size;
        return grow(4 + capacity) + 4;
    }
    void keepField(std::uint32_t size)
    {
        database::reader_protocol::putU32(m_buffer.data() + m_fieldAt, size);
        m_size = m_fieldAt + 4 + size;
    }
    void endRow()
    {
        m_rowOpen = false;
        ++m_rowsInRecord;
        if (m_size - m_rowsRecordAt >= database::reader_protocol::kRowsRecordTarget)
            endRowsRecord();
    }

    // The rows that follow have their home on `page`.
    void writePage(std::uint32_t page);
    void writeEnd(std::uint32_t rows);
    void writeError(database::reader_protocol::ReaderError error, std::string_view detail);

    // False once a write to the descriptor failed.
    bool flush();

private:
    void writePreamble();
    std::size_t beginRecord(std::uint8_t tag);
    void endRecord(std::size_t headerAt);
    void openRowsRecord();
    void closeRowsRecord();
    void endRowsRecord();
    // `size` more bytes at the end of the stream written so far.
    char *grow(std::size_t size)
    {
        if (m_buffer.size() - m_size < size)
            enlarge(size);
        char *out = m_buffer.data() + m_size;
        m_size += size;
        return out;
    }
    void enlarge(std::size_t size);

    int m_fd;
    bool m_failed = false;
    // The bytes not yet written are the first m_size; the rest is room.
    std::vector<char, DefaultInitAllocator<char>> m_buffer;
    std::size_t m_size = 0;
    std::size_t m_rowsRecordAt = 0;
    std::uint32_t m_rowsInRecord = 0;
    bool m_rowsRecordOpen = false;
    // Where the row begun and not yet ended starts; an error drops its fields.
    std::size_t m_rowAt = 0;
    std::size_t m_fieldAt = 0;
    bool m_rowOpen = false;
};

} // namespace velkaro::reader
