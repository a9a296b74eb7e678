#include "database/reader/ColumnDescriptors.h"

#include "database/reader/ReaderFailure.h"

namespace velkaro::reader {

namespace {

// Where a format keeps the counts and descriptors of a definition.
struct Layout
{
    std::size_t columnCount;
    std::size_t realIndexCount;
    std::size_t columnsStart;
    std::size_t realIndexEntry;
    std::size_t descriptorSize;
    std::size_t columnNumber;
};

constexpr Layout kJet3 {25, 31, 43, 8, 18, 1};
constexpr Layout kJet4 {45, 51, 63, 12, 25, 5};
constexpr std::size_t kJet3CodePage = 11;
constexpr std::size_t kJet4ExtendedFlags = 16;
constexpr unsigned char kCalculated = 0xC0;

std::uint32_t little(std::span<const unsigned char> bytes, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8) | bytes[at + i - 1];
    return value;
}

} // namespace

std::map<int, ColumnDescriptor> columnDescriptors(std::span<const unsigned char> definition, bool jet3)
{
    using database::reader_protocol::ReaderError;
    const Layout &layout = jet3 ? kJet3 : kJet4;
    if (definition.size() < layout.columnsStart)
        fail(ReaderError::DefinitionUnreadable, "definition shorter than its header");
    const std::uint64_t columns = little(definition, layout.columnCount, 2);
    const std::uint64_t start =
        layout.columnsStart + layout.realIndexEntry * std::uint64_t(little(definition, layout.realIndexCount, 4));
    if (start + columns * layout.descriptorSize > definition.size())
        fail(ReaderError::DefinitionUnreadable, "column descriptors beyond the definition");
    std::map<int, ColumnDescriptor> descriptors;
    for (std::uint64_t column = 0; column < columns; ++column) {
        const std::size_t at = std::size_t(start + column * layout.descriptorSize);
        ColumnDescriptor &descriptor = descriptors[int(definition[at + layout.columnNumber])];
        if (jet3)
            descriptor.codePage = std::uint16_t(little(definition, at + kJet3CodePage, 2));
        else
            descriptor.calculated = (definition[at + kJet4ExtendedFlags] & kCalculated) != 0;
    }
    return descriptors;
}

} // namespace velkaro::reader
