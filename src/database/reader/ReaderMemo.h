#pragma once

#include "database/reader/Jet3Text.h"
#include "database/reader/PageReader.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velkaro::reader {

// Reads memo values whole, whatever their size.
class ReaderMemo
{
public:
    // Reads long-value pages (data pages owned by "LVAL") from `pages`; `filePages` bounds a chain of them.
    ReaderMemo(PageReader &pages, std::uint32_t filePages, bool jet3);

    // The UTF-8 text of the memo whose field in its row holds `field`, decoded as texts are: single bytes in
    // `codePage` (Jet 3), Unicode where it is null; valid until the next call. Throws ReaderFailure when the
    // value's header or its pages are damaged.
    std::string_view text(std::span<const unsigned char> field, const char *column, const CodePageTable *codePage);

private:
    // The stored bytes of the value.
    std::string_view stored(std::span<const unsigned char> field, const char *column);
    // One row of a long-value page, valid until the next page is read.
    std::string_view longValueRow(std::uint32_t pageRow, const char *column);

    PageReader &m_pages;
    std::uint32_t m_filePages;
    bool m_jet3;
    std::vector<char> m_stored;
    std::vector<char> m_text;
};

} // namespace velkaro::reader
