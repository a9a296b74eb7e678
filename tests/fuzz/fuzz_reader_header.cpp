// The file header check and the table definition with its check, each on the input's bytes as page 0 or as a table
// definition (the first byte chooses Jet 3 or later).

#include "database/reader/JetHeader.h"
#include "database/reader/ReaderFailure.h"
#include "database/reader/TableDefinition.h"
#include "database/reader/TableDefinitionCheck.h"
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
    static const velkaro::reader::CodePages codePages;
    try {
        if (size > 0) {
            const bool jet3 = bytes[0] & 1;
            const auto table =
                velkaro::reader::parseTableDefinition(bytes.subspan(1), jet3 ? codePages.find(1251) : nullptr);
            velkaro::reader::tableDefinitionProblem(table, jet3, jet3 ? 2048 : 4096);
        }
    } catch (const velkaro::reader::ReaderFailure &) { }
    return 0;
}
