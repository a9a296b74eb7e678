#include "database/reader/ReaderOutput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velkaro::reader {

namespace protocol = database::reader_protocol;

ReaderOutput::ReaderOutput(int fd)
    : m_fd(fd)
{
    m_buffer.resize(protocol::kRowsRecordTarget * 2);
    writePreamble();
}

void ReaderOutput::writePreamble()
{
    char *out = grow(protocol::kPreambleSize);
    std::memcpy(out, protocol::kMagic, sizeof protocol::kMagic);
    protocol::putU32(out + 4, protocol::kVersion);
}

void ReaderOutput::enlarge(std::size_t size)
{
    m_buffer.resize(std::max(m_size + size, 2 * m_buffer.size()));
}

std::size_t ReaderOutput::beginRecord(std::uint8_t tag)
{
    const std::size_t at = m_size;
    char *header = grow(protocol::kRecordHeaderSize);
    header[0] = static_cast<char>(tag);
    return at;
}

void ReaderOutput::endRecord(std::size_t headerAt)
{
    const auto payload = static_cast<std::uint32_t>(m_size - headerAt - protocol::kRecordHeaderSize);
    protocol::putU32(m_buffer.data() + headerAt + 1, payload);
}

void ReaderOutput::writeTable(std::uint32_t filePages, std::uint32_t expectedRows, const std::vector<Column> &columns)
{
    const std::size_t at = beginRecord(protocol::kTableTag);
    char *out = grow(10);
    protocol::putU32(out, filePages);
    protocol::putU32(out + 4, expectedRows);
    protocol::putU16(out + 8, static_cast<std::uint16_t>(columns.size()));
    for (const Column &column : columns) {
        out = grow(3 + column.name.size());
        out[0] = static_cast<char>(column.kind);
        protocol::putU16(out + 1, static_cast<std::uint16_t>(column.name.size()));
        std::memcpy(out + 3, column.name.data(), column.name.size());
    }
    endRecord(at);
}

void ReaderOutput::openRowsRecord()
{
    m_rowsRecordAt = beginRecord(protocol::kRowsTag);
    grow(4);
    m_rowsInRecord = 0;
    m_rowsRecordOpen = true;
}

void ReaderOutput::endRowsRecord()
{
    closeRowsRecord();
    flush();
}

void ReaderOutput::closeRowsRecord()
{
    if (!m_rowsRecordOpen)
        return;
    protocol::putU32(m_buffer.data() + m_rowsRecordAt + protocol::kRecordHeaderSize, m_rowsInRecord);
    endRecord(m_rowsRecordAt);
    m_rowsRecordOpen = false;
}

void ReaderOutput::writePage(std::uint32_t page)
{
    closeRowsRecord();
    const std::size_t at = beginRecord(protocol::kPageTag);
    protocol::putU32(grow(4), page);
    endRecord(at);
    // A page's rows make a small record; the stream still goes out in large writes.
    if (m_size >= protocol::kRowsRecordTarget)
        flush();
}

void ReaderOutput::writeEnd(std::uint32_t rows)
{
    closeRowsRecord();
    const std::size_t at = beginRecord(protocol::kEndTag);
    protocol::putU32(grow(4), rows);
    endRecord(at);
}

void ReaderOutput::writeError(protocol::ReaderError error, std::string_view detail)
{
    // A row that failed part-way is not streamed: the error record follows the last whole row.
    if (m_rowOpen) {
        m_size = m_rowAt;
        m_rowOpen = false;
    }
    closeRowsRecord();
    const std::size_t at = beginRecord(protocol::kErrorTag);
    char *out = grow(1 + detail.size());
    out[0] = static_cast<char>(error);
    std::memcpy(out + 1, detail.data(), detail.size());
    endRecord(at);
}

bool ReaderOutput::flush()
{
    const char *data = m_buffer.data();
    std::size_t left = m_size;
    while (left > 0 && !m_failed) {
        const ssize_t written = write(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_failed = true;
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    m_size = 0;
    return !m_failed;
}

} // namespace velkaro::reader
