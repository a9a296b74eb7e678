// The file header check on the input's bytes as page 0.

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
    return 0;
}
