// The file header check and the column descriptors, each on the input's bytes as page 0 or as a table definition
// (the first byte chooses Jet 3 or later descriptors).

#include "database/reader/ColumnDescriptors.h"
#include "database/reader/JetHeader.h"
#include "database/reader/ReaderFailure.h"
#include "fuzz/FuzzCheck.h"

using velkaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const unsigned char> bytes(data, size);
    if (size >= velkaro::reader::kJetHeaderBytes) {
        try {
            const velkaro::reader::JetHeader header = velkaro::reader::parseJetHeader(bytes);
            require(header.pageSize == (header.format == velkaro::reader::JetFormat::Jet3 ? 2048u : 4096u),
                "page size not the format's");
        } catch (const velkaro::reader::ReaderFailure &) { }
    }
    try {
        if (size > 0)
            velkaro::reader::columnDescriptors(bytes.subspan(1), bytes[0] & 1);
    } catch (const velkaro::reader::ReaderFailure &) { }
    return 0;
}
