// The program's decoder of the reader's stream. The first byte chooses how the rest arrives: 0 in one piece,
// n in pieces of n bytes, as pipe reads of any size would hand it over.

#include "database/core/DatabaseError.h"
#include "database/readtable/ReadTableDecoder.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstring>

using velkaro::fuzz::require;

namespace {

// Touches every byte of every field, so that the sanitizer sees a field that points outside the stream.
class CheckingSink : public velkaro::database::RowSink
{
public:
    void columns(std::vector<velkaro::database::ColumnInfo> columns) override
    {
        require(m_columns == 0, "columns announced twice");
        m_columns = columns.size();
    }

    void row(std::span<const velkaro::database::FieldView> fields) override
    {
        require(m_columns > 0 && fields.size() == m_columns, "row before the columns or of another width");
        unsigned checksum = 0;
        for (const velkaro::database::FieldView &field : fields) {
            require(!field.isNull || field.size == 0, "null field with bytes");
            for (std::uint32_t i = 0; i < field.size; ++i)
                checksum += static_cast<unsigned char>(field.data[i]);
        }
        m_checksum = checksum;
    }

private:
    std::size_t m_columns = 0;
    volatile unsigned m_checksum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] == 0 ? size : data[0];
    CheckingSink sink;
    // The stream of a 1 GiB file: a table record may announce fewer pages than it holds, or more.
    velkaro::database::ReadTableDecoder decoder(sink, std::uint64_t(1) << 30);
    try {
        for (std::size_t at = 1; at < size; at += piece) {
            const std::size_t count = std::min(piece, size - at);
            std::memcpy(decoder.receiveBuffer(count), data + at, count);
            decoder.received(count);
        }
    } catch (const velkaro::database::DatabaseError &) {
        return 0;
    }
    require(decoder.rows() <= decoder.expectedRows(), "more rows than announced");
    return 0;
}
