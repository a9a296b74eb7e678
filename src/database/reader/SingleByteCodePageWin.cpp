#include "database/reader/SingleByteCodePage.h"

#include <windows.h>

namespace velkaro::reader {

std::optional<CodePageTable> singleByteCodePage(std::uint16_t codePage)
{
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    CodePageTable table {};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const char byte = static_cast<char>(0x80 + i);
        wchar_t character[2] = {};
        const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, character, 2);
        // Windows maps the bytes a page leaves undefined to the C1 control characters of their number; no page
        // defines a byte as one.
        if (count == 1 && (character[0] < 0x80 || character[0] > 0x9F))
            table[i] = char32_t(character[0]);
    }
    return table;
}

} // namespace velkaro::reader
