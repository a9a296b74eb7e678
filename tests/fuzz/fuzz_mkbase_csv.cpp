// The writer's CSV reader over any bytes.

#include "CsvReader.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>

using velkaro::fuzz::require;
using velkaro::mkbase::CsvReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CsvReader reader(QByteArrayView(data, qsizetype(size)));
    QList<velkaro::mkbase::CsvField> fields;
    QString error;
    std::size_t records = 0;
    qsizetype valueBytes = 0;
    int line = 1;
    const auto lines = 1 + std::count(data, data + size, '\n');
    for (;;) {
        const CsvReader::Result result = reader.next(&fields, &error);
        require(reader.line() >= line && reader.line() <= lines, "line number out of order or beyond the input");
        line = reader.line();
        if (result == CsvReader::Result::End)
            break;
        if (result == CsvReader::Result::Error) {
            require(!error.isEmpty(), "error without a message");
            break;
        }
        // Every record takes at least one byte; its values are no more than the bytes read.
        require(++records <= size && !fields.isEmpty(), "record from nothing");
        for (const velkaro::mkbase::CsvField &field : fields)
            valueBytes += field.value.size();
        require(valueBytes <= qsizetype(size), "values longer than the input");
    }
    return 0;
}
