#include "database/reader/Jet3Text.h"

#include "database/core/Utf8.h"

#include <iconv.h>

#include <optional>
#include <string>

namespace velkaro::reader {

namespace {

constexpr std::uint16_t kSingleByteCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

std::optional<CodePageTable> tableOf(std::uint16_t codePage)
{
    const std::string name = "CP" + std::to_string(codePage);
    const iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    if (converter == iconv_t(-1))
        return std::nullopt;
    CodePageTable table {};
    for (std::size_t i = 0; i < table.size(); ++i) {
        char byte = static_cast<char>(0x80 + i);
        unsigned char utf32[4] = {};
        char *in = &byte;
        std::size_t inLeft = 1;
        char *out = reinterpret_cast<char *>(utf32);
        std::size_t outLeft = sizeof utf32;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &in, &inLeft, &out, &outLeft) != std::size_t(-1) && outLeft == 0)
            table[i] = char32_t(utf32[0] | (utf32[1] << 8) | (utf32[2] << 16) | (char32_t(utf32[3]) << 24));
    }
    iconv_close(converter);
    return table;
}

} // namespace

CodePages::CodePages()
{
    for (const std::uint16_t codePage : kSingleByteCodePages) {
        if (auto table = tableOf(codePage))
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
