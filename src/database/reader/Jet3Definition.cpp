#include "database/reader/Jet3Definition.h"

#include "database/reader/ReaderFailure.h"

namespace velkaro::reader {

namespace {

constexpr std::size_t kColumnCount = 25;
constexpr std::size_t kRealIndexCount = 31;
constexpr std::size_t kColumnsStart = 43;
constexpr std::size_t kRealIndexEntry = 8;
constexpr std::size_t kDescriptorSize = 18;
constexpr std::size_t kColumnNumber = 1;
constexpr std::size_t kCodePage = 11;

std::uint32_t little(std::span<const unsigned char> bytes, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8) | bytes[at + i - 1];
    return value;
}

} // namespace

std::map<int, std::uint16_t> jet3ColumnCodePages(std::span<const unsigned char> definition)
{
    using database::reader_protocol::ReaderError;
    if (definition.size() < kColumnsStart)
        fail(ReaderError::DefinitionUnreadable, "definition shorter than its header");
    const std::uint64_t columns = little(definition, kColumnCount, 2);
    const std::uint64_t start = kColumnsStart + kRealIndexEntry * std::uint64_t(little(definition, kRealIndexCount, 4));
    if (start + columns * kDescriptorSize > definition.size())
        fail(ReaderError::DefinitionUnreadable, "column descriptors beyond the definition");
    std::map<int, std::uint16_t> codePages;
    for (std::uint64_t column = 0; column < columns; ++column) {
        const std::size_t at = std::size_t(start + column * kDescriptorSize);
        codePages[int(definition[at + kColumnNumber])] = std::uint16_t(little(definition, at + kCodePage, 2));
    }
    return codePages;
}

} // namespace velkaro::reader
