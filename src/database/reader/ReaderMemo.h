#pragma once

// The standard headers first: the library's header includes them inside its extern "C" block.
#include <cstdint>
#include <string_view>
#include <vector>

#include <mdbtools.h>

#include "database/reader/Jet3Text.h"

namespace velkaro::reader {

// Reads memo values whole, whatever their size: the library's own rendering cuts them at its bind buffer.
class ReaderMemo
{
public:
    // `filePages` bounds a chain of long-value pages.
    explicit ReaderMemo(std::uint32_t filePages);

    // The UTF-8 text of the non-null memo `field` of `column` in the row the library cracked last, decoded as
    // texts are: single bytes in `codePage` (Jet 3), Unicode where it is null; valid until the next call.
    // Throws ReaderFailure when the value's header or its pages are damaged.
    std::string_view text(MdbHandle *mdb, const MdbField &field, const char *column, const CodePageTable *codePage);

private:
    // The stored bytes of the value.
    std::string_view stored(MdbHandle *mdb, const MdbField &field, const char *column);
    // One row of a long-value page: its bytes in the library's second page buffer.
    std::string_view longValueRow(MdbHandle *mdb, std::uint32_t pageRow, const char *column);

    std::uint32_t m_filePages;
    std::vector<char> m_stored;
    std::vector<char> m_text;
};

} // namespace velkaro::reader
