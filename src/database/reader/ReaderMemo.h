#pragma once

// The standard headers first: the library's header includes them inside its extern "C" block.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include <mdbtools.h>

#include "database/reader/Jet3Text.h"

namespace velkaro::reader {

// Reads memo values whole, whatever their size: the library's own rendering cuts them at its bind buffer.
class ReaderMemo
{
public:
    // Reads long-value pages through `mdb`; `filePages` bounds a chain of them.
    ReaderMemo(MdbHandle *mdb, std::uint32_t filePages);

    // The UTF-8 text of the memo whose field in its row holds `field`, decoded as texts are: single bytes in
    // `codePage` (Jet 3), Unicode where it is null; valid until the next call. Throws ReaderFailure when the
    // value's header or its pages are damaged.
    std::string_view text(std::span<const unsigned char> field, const char *column, const CodePageTable *codePage);

private:
    // The stored bytes of the value.
    std::string_view stored(std::span<const unsigned char> field, const char *column);
    // One row of a long-value page: its bytes in the library's second page buffer.
    std::string_view longValueRow(std::uint32_t pageRow, const char *column);

    MdbHandle *m_mdb;
    std::uint32_t m_filePages;
    std::vector<char> m_stored;
    std::vector<char> m_text;
};

} // namespace velkaro::reader
