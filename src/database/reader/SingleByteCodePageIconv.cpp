#include "database/reader/SingleByteCodePage.h"

#include <iconv.h>

#include <string>

namespace velkaro::reader {

std::optional<CodePageTable> singleByteCodePage(std::uint16_t codePage)
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

} // namespace velkaro::reader
