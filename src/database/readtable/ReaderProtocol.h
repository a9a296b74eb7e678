#pragma once

// The stream `velkaro-reader` writes on its stdout and readTable decodes. Plain C++: both sides include it.
//
//   preamble  "VKRD" u32 version
//   records   u8 tag, u32 payload size, payload
//     'T' table   u32 file pages, u32 expected rows, u16 column count, per column: u8 kind, u16 size, UTF-8 name
//     'R' rows    u32 row count, per row and column: u32 size (kNullField for NULL), UTF-8 bytes
//     'P' page    u32 page number: the rows after it, up to the next page record, have their home slot on that
//                 page, in slot order; written only by a reader streaming chosen columns, before a page's first row
//     'E' end     u32 rows streamed; the last record, written only when the whole table (or part) was read
// A reader given a part of the table (K/N) streams only that part's rows; its table record still announces
// the whole table's row count, which the parts' rows must add up to. So does a reader given chosen columns
// (--column NAME..., after K/N or alone), which streams every row (of the part) with those columns only, in the
// order named, and a reader given row places (--rows), which streams every column of the rows at those places alone.
// Row places come on the reader's stdin: u32 count, then `count` u32 places, strictly ascending. A place is a row's
// home page shifted left by 8 bits, plus the row's number among the rows of that page (from 0, in slot order), as
// the page records of a read of chosen columns tell them.
//     'X' error   u8 ReaderError, UTF-8 detail; the last record
// Integers are little-endian.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velkaro::database::reader_protocol {

inline constexpr char kMagic[4] = {'V', 'K', 'R', 'D'};
inline constexpr std::uint32_t kVersion = 2;
inline constexpr std::size_t kPreambleSize = 8;
inline constexpr std::size_t kRecordHeaderSize = 5;

inline constexpr std::uint8_t kTableTag = 'T';
inline constexpr std::uint8_t kRowsTag = 'R';
inline constexpr std::uint8_t kPageTag = 'P';
inline constexpr std::uint8_t kEndTag = 'E';
inline constexpr std::uint8_t kErrorTag = 'X';

inline constexpr std::uint32_t kNullField = 0xFFFFFFFFu;
inline constexpr std::uint8_t kTextKind = 0;
inline constexpr std::uint8_t kNumberKind = 1;

// A Jet table has at most 255 columns; a data page holds at most 255 rows.
inline constexpr std::uint32_t kMaxColumns = 255;
inline constexpr std::uint32_t kMaxRowsPerPage = 255;
inline constexpr std::uint64_t kMaxPageSize = 4096;
inline constexpr std::uint64_t kMinPageSize = 2048;
// A column name has at most 64 characters, each at most three bytes of UTF-8; the reader passes up to 256 bytes.
inline constexpr std::uint32_t kMaxColumnNameSize = 256;
inline constexpr std::uint32_t kMaxTableRecordSize = 10 + kMaxColumns * (3 + kMaxColumnNameSize);
// A row place keeps a page number in 24 bits, as Jet's own row pointers do.
inline constexpr std::uint32_t kMaxPlacedPage = 0xFFFFFF;
// Places a reader accepts at once (16 MB of stdin); more rows are read with the whole table.
inline constexpr std::uint32_t kMaxPlaces = 4 * 1024 * 1024;
// The reader's own reason for refusing a file is cut to this many bytes.
inline constexpr std::uint32_t kMaxErrorDetail = 4096;
// One rendered value other than a memo fits the reader's field buffer.
inline constexpr std::uint32_t kMaxFieldSize = 256 * 1024;
// The reader closes a rows record once it holds this much; a single wide row may exceed it.
inline constexpr std::uint32_t kRowsRecordTarget = 256 * 1024;
inline constexpr std::uint32_t kMaxRecordSize = 4 + kMaxColumns * (4 + kMaxFieldSize) + kRowsRecordTarget;

enum class ReaderError : std::uint8_t {
    Usage = 1,
    NotAFile = 2,
    NotJetFile = 3,
    UnsupportedVersion = 4,
    Truncated = 5,
    OpenFailed = 6,
    CatalogUnreadable = 7,
    TableNotFound = 8,
    DefinitionUnreadable = 9,
    RowUnreadable = 10,
    RowCountMismatch = 11,
    ValueTooLong = 12,
    LockDownFailed = 14,
    ColumnNotFound = 15,
};

inline void putU16(char *out, std::uint16_t value)
{
    out[0] = static_cast<char>(value & 0xFF);
    out[1] = static_cast<char>(value >> 8);
}

// One move where the processor is little-endian, as the stream is; a byte loop would run for every field.
inline void putU32(char *out, std::uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &value, 4);
    } else {
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

inline std::uint16_t getU16(const char *in)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8));
}

inline std::uint32_t getU32(const char *in)
{
    std::uint32_t value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, in, 4);
    } else {
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(in[i]);
    }
    return value;
}

} // namespace velkaro::database::reader_protocol
