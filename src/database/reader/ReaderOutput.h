#pragma once

#include "database/reader/DefaultInitAllocator.h"
#include "database/readtable/ReaderProtocol.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velkaro::reader {

// Writes the protocol stream to a descriptor; rows are gathered into large records so that a row costs
// a few bytes copied, never a system call.
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

    void beginRow();
    void addNull();
    void addField(const char *data, std::uint32_t size);
    // Room for the bytes of the next field, at most `capacity`, to be written in place; valid until keepField,
    // which then makes the first `size` of them the field.
    char *fieldSpace(std::size_t capacity);
    void keepField(std::uint32_t size);
    void endRow();

    void writeEnd(std::uint32_t rows);
    void writeError(database::reader_protocol::ReaderError error, std::string_view detail);

    // False once a write to the descriptor failed.
    bool flush();

private:
    void writePreamble();
    std::size_t beginRecord(std::uint8_t tag);
    void endRecord(std::size_t headerAt);
    void closeRowsRecord();
    char *grow(std::size_t size);

    int m_fd;
    bool m_failed = false;
    std::vector<char, DefaultInitAllocator<char>> m_buffer;
    std::size_t m_rowsRecordAt = 0;
    std::uint32_t m_rowsInRecord = 0;
    bool m_rowsRecordOpen = false;
    // Where the row begun and not yet ended starts; an error drops its fields.
    std::size_t m_rowAt = 0;
    std::size_t m_fieldAt = 0;
    bool m_rowOpen = false;
};

} // namespace velkaro::reader
