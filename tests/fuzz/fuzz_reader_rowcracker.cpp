// The row cracker on any page, row and column layout. Input: a flags byte (bit 0: Jet 3), the column count,
// six bytes a column (number, fixed, u16 fixed offset, fixed size, variable index), u16 row start, u16 row
// size, then the page. The cracker of chosen columns must accept exactly the rows crackRow accepts and give the
// same values for the columns it is given: every other column, from the last back, and the first twice.

#include "database/reader/RowCracker.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <vector>

using velkaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2 || size < 2 + 6 * std::size_t(data[1]) + 4)
        return 0;
    const bool jet3 = data[0] & 1;
    std::vector<velkaro::reader::ColumnLayout> columns(data[1]);
    const std::uint8_t *at = data + 2;
    for (velkaro::reader::ColumnLayout &column : columns) {
        column = {at[0], bool(at[1] & 1), std::uint16_t(at[2] | at[3] << 8), at[4], at[5]};
        at += 6;
    }
    const std::uint32_t rowStart = at[0] | at[1] << 8;
    const std::uint32_t rowSize = at[2] | at[3] << 8;
    at += 4;
    // An exact copy of the page, so that the sanitizer sees a read past its end.
    const std::vector<unsigned char> page(at, data + size);
    std::vector<velkaro::reader::RowField> fields(columns.size());
    const bool cracked = velkaro::reader::crackRow(page, rowStart, rowSize, jet3, columns, fields.data());
    std::vector<std::size_t> chosen;
    for (std::size_t i = columns.size(); i > 0; i -= std::min<std::size_t>(i, 2))
        chosen.push_back(i - 1);
    if (!columns.empty())
        chosen.push_back(0);
    std::vector<velkaro::reader::RowField> chosenFields(chosen.size());
    const velkaro::reader::ChosenColumnsCracker cracker(columns, chosen);
    require(cracker.crack(page, rowStart, rowSize, jet3, chosenFields.data()) == cracked,
        "the chosen columns' cracker accepts another row");
    if (!cracked)
        return 0;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const velkaro::reader::RowField &field = chosenFields[i];
        const velkaro::reader::RowField &expected = fields[chosen[i]];
        require(field.present == expected.present && field.start == expected.start && field.size == expected.size,
            "a chosen column's value differs");
    }

    // Every value lies inside its row, and a fixed one has its column's size.
    unsigned checksum = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const velkaro::reader::RowField &field = fields[i];
        require(field.size == 0 || (field.start >= rowStart && field.start + field.size <= rowStart + rowSize),
            "value outside its row");
        require(field.size == 0 || !columns[i].fixed || field.size == columns[i].fixedSize, "fixed value resized");
        for (std::uint32_t byte = 0; byte < field.size; ++byte)
            checksum += page[field.start + byte];
    }
    volatile unsigned kept = checksum;
    (void)kept;
    return 0;
}
