#include "database/reader/Jet3Text.h"

#include "database/core/Utf8.h"
#include "database/reader/SingleByteCodePage.h"

namespace velkaro::reader {

namespace {

constexpr std::uint16_t kSingleByteCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

} // namespace

CodePages::CodePages()
{
    for (const std::uint16_t codePage : kSingleByteCodePages) {
        if (auto table = singleByteCodePage(codePage))
            m_tables.emplace(codePage, *table);
    }
}

const CodePageTable *CodePages::find(std::uint16_t codePage) const
{
    const auto found = m_tables.find(codePage);
    return found == m_tables.end() ? nullptr : &found->second;
}

std::size_t jet3TextToUtf8(
    const unsigned char *bytes, std::size_t size, const CodePageTable &table, char *out, std::size_t capacity)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char byte = bytes[i];
        char32_t c = byte < 0x80 ? byte : table[byte - 0x80];
        if (c == 0)
            c = '?';
        // Every character of a single-byte page lies in the Basic Multilingual Plane.
        if (capacity - written < 3 && capacity - written < (c < 0x80 ? 1U : c < 0x800 ? 2U : 3U))
            return kTextDoesNotFit;
        written += database::encodedUtf8Char(c, out + written);
    }
    return written;
}

void LetterCounts::add(const unsigned char *bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char byte = bytes[i];
        if ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z')
            ++latin;
        else if (byte >= 0xC0 || byte == 0xA8 || byte == 0xB8)
            ++high;
    }
}

std::uint16_t westernOrCyrillic(const LetterCounts &letters)
{
    return letters.high > letters.latin ? 1251 : 1252;
}

} // namespace velkaro::reader
