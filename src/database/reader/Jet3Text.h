#pragma once

#include "database/reader/Jet4Text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

namespace velkaro::reader {

// The characters of bytes 0x80 to 0xFF in one single-byte Windows code page; 0 where the page defines none.
using CodePageTable = std::array<char32_t, 128>;

// The single-byte Windows code pages (874, 1250 to 1258), made with iconv while the process may still load
// its converters.
class CodePages
{
public:
    CodePages();

    // The table of `codePage`, or none for a page the reader does not know.
    const CodePageTable *find(std::uint16_t codePage) const;

private:
    std::map<std::uint16_t, CodePageTable> m_tables;
};

// A Jet 3 text value (single bytes in `table`'s code page) as UTF-8; a byte the page does not define becomes
// '?'. Writes at most `capacity` bytes to `out` and returns how many; kTextDoesNotFit when the text needs more.
std::size_t jet3TextToUtf8(
    const unsigned char *bytes, std::size_t size, const CodePageTable &table, char *out, std::size_t capacity);

// Letters seen in Jet 3 texts: the Latin ones of ASCII, and the bytes that are Cyrillic letters in 1251 (0xC0 to
// 0xFF, Ё and ё), accented Latin ones in 1252.
struct LetterCounts
{
    std::uint64_t latin = 0;
    std::uint64_t high = 0;

    void add(const unsigned char *bytes, std::size_t size);
    std::uint64_t total() const { return latin + high; }
};

// The code page of a Jet 3 file whose header names the Western 1252 (what Access 97 writes with the General sort
// order, also on a Russian system, whose texts are then 1251): 1251 when most letters of its texts are high ones
// (a Russian directory is written in Cyrillic), 1252 otherwise (Western texts are Latin with a few accents).
std::uint16_t westernOrCyrillic(const LetterCounts &letters);

} // namespace velkaro::reader
