#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velkaro::reader {

// Where a column's value lies in a row, from its descriptor.
struct ColumnLayout
{
    std::uint16_t number = 0; // its bit in the null mask
    bool fixed = false;
    std::uint16_t fixedOffset = 0; // from the end of the column count
    std::uint16_t fixedSize = 0;
    std::uint16_t variableIndex = 0;
};

// One value of a cracked row: bytes from the page's start; a boolean's value is its `present`.
struct RowField
{
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    bool present = false;
};

// Splits the row at `rowStart` (`rowSize` bytes) of a data page into the values of `columns`, in their order.
// A Jet 4 row: u16 column count, fixed values, variable values, then from its end backwards the null mask (bit
// per column number, 1 = present), u16 count of variable values, u16 offsets of the variable values in reverse,
// the end of the data. Jet 3 counts and offsets take one byte; a row longer than 256 bytes adds a jump table
// before the count, one entry for each 256-byte step an offset crosses. A column the row holds no value for
// (added after the row was written) is null. False when counts or offsets point outside the row, the offsets
// go backwards, or a fixed value reaches into the variable ones.
bool crackRow(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize, bool jet3,
    std::span<const ColumnLayout> columns, RowField *fields);

// crackRow for some of a table's columns: checks each row as crackRow does with all of `columns`, and splits out
// only the values of the columns at `chosen` (indexes into `columns`, in any order, any of them repeated).
class ChosenColumnsCracker
{
public:
    ChosenColumnsCracker(std::span<const ColumnLayout> columns, std::span<const std::size_t> chosen);

    // `fields[i]` is the value of the column at chosen[i], as crackRow with all the columns gives it.
    bool crack(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize, bool jet3,
        RowField *fields) const;

private:
    struct Chosen
    {
        ColumnLayout layout;
        // Its place among the table's fixed columns: a row holds the values of the first ones only.
        std::uint32_t fixedOrdinal = 0;
    };
    std::vector<Chosen> m_chosen;
    // Where the values of the table's first k fixed columns end at the furthest, from the end of the column count.
    std::vector<std::uint32_t> m_fixedEnds;
    bool m_anyVariable;
};

} // namespace velkaro::reader
