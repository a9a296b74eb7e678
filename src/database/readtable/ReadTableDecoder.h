#pragma once

#include "database/readtable/TableSource.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace velkaro::database {

// Decodes the reader's stream as it arrives and passes each row to the sink, its fields pointing into the
// receive buffer. Throws DatabaseError on anything but a well-formed, complete stream. Whether the rows
// streamed are the whole table is the caller's to check: a reader of a part streams fewer.
// The stream is trusted no more than the file it comes from: every size and count in it is bounded by the protocol's
// limits and by `fileBytes`, the size of the file read, before it is used.
class ReadTableDecoder
{
public:
    ReadTableDecoder(RowSink &sink, std::uint64_t fileBytes);

    // Room for at least `size` more bytes; fill it, then call received() with the count written.
    char *receiveBuffer(std::size_t size);
    void received(std::size_t size);

    // True once the end record arrived; any byte after it is an error.
    bool finished() const { return m_state == State::Finished; }

    std::uint64_t rows() const { return m_rows; }
    // The whole table's row count, as announced.
    std::uint32_t expectedRows() const { return m_expectedRows; }

private:
    enum class State { Preamble, Table, Rows, Finished };

    std::size_t decodeRecord(const char *data, std::size_t size);
    void decodeTable(const char *payload, std::uint32_t size);
    void decodeRows(const char *payload, std::uint32_t size);
    void decodePage(const char *payload, std::uint32_t size);
    void decodeEnd(const char *payload, std::uint32_t size);
    [[noreturn]] void decodeError(const char *payload, std::uint32_t size);

    RowSink &m_sink;
    State m_state = State::Preamble;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::vector<FieldView> m_fields;
    std::uint64_t m_fileBytes;
    std::uint32_t m_pages = 0;
    std::uint32_t m_lastPage = 0;
    std::uint32_t m_expectedRows = 0;
    std::uint64_t m_rows = 0;
    // The largest record the stream may hold, known from the table record on.
    std::uint64_t m_recordLimit;
};

} // namespace velkaro::database
