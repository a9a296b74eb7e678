#include "database/reader/RowCracker.h"

#include <algorithm>
#include <array>

namespace velkaro::reader {

namespace {

// The most variable values a row holds (one per column of a table).
constexpr std::size_t kMaxVariable = 256;

std::uint32_t u16(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8;
}

// The offsets of `count` variable values and the end of their data, from row offsets `row[0..size)`.
bool variableOffsets(const unsigned char *row, std::uint32_t size, std::uint32_t maskSize, std::uint32_t count,
    bool jet3, std::uint32_t *offsets)
{
    if (!jet3) {
        // The count and count + 1 offsets (the last one the end of data) before the mask.
        if (std::uint64_t(maskSize) + 2 + 2 * (std::uint64_t(count) + 1) > size)
            return false;
        for (std::uint32_t i = 0; i <= count; ++i)
            offsets[i] = u16(row + size - maskSize - 4 - 2 * i);
        return true;
    }
    std::uint32_t jumps = (size - 1) / 256;
    if (std::uint64_t(maskSize) + 1 + jumps + count + 1 > size)
        return false;
    const std::uint32_t offsetsEnd = size - maskSize - 1 - jumps; // one past the end-of-data byte
    // The last jump entry is padding when the offsets themselves do not reach that far.
    if ((offsetsEnd - 1 - count) / 256 < jumps)
        --jumps;
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i <= count; ++i) {
        while (used < jumps && i == row[size - maskSize - 2 - used])
            ++used;
        offsets[i] = row[offsetsEnd - 1 - i] + 256 * used;
    }
    return true;
}

} // namespace

bool crackRow(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize, bool jet3,
    std::span<const ColumnLayout> columns, RowField *fields)
{
    const std::uint32_t countSize = jet3 ? 1 : 2;
    if (std::uint64_t(rowStart) + rowSize > page.size() || rowSize < countSize)
        return false;
    const unsigned char *row = page.data() + rowStart;
    const std::uint32_t rowColumns = jet3 ? row[0] : u16(row);
    const std::uint32_t maskSize = (rowColumns + 7) / 8;
    if (countSize + maskSize > rowSize)
        return false;
    const unsigned char *mask = row + rowSize - maskSize;

    const bool anyVariable =
        std::any_of(columns.begin(), columns.end(), [](const ColumnLayout &c) { return !c.fixed; });
    std::uint32_t variableCount = 0;
    // Only the offsets the row holds are written and read: clearing the rest would cost more than the row.
    std::array<std::uint32_t, kMaxVariable + 1> offsets;
    std::uint32_t variableStart = rowSize;
    if (anyVariable) {
        if (countSize + maskSize + countSize > rowSize)
            return false;
        variableCount = jet3 ? row[rowSize - maskSize - 1] : u16(row + rowSize - maskSize - 2);
        if (variableCount > kMaxVariable
            || !variableOffsets(row, rowSize, maskSize, variableCount, jet3, offsets.data()))
            return false;
        for (std::uint32_t i = 0; i < variableCount; ++i) {
            if (offsets[i] > offsets[i + 1])
                return false;
        }
        if (variableCount > 0 && (offsets[0] < countSize || offsets[variableCount] > rowSize))
            return false;
        if (variableCount > 0)
            variableStart = offsets[0];
    }

    const std::uint32_t fixedInRow = rowColumns >= variableCount ? rowColumns - variableCount : 0;
    std::uint32_t fixedFound = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnLayout &column = columns[i];
        RowField &field = fields[i];
        field.present = column.number < rowColumns && (mask[column.number / 8] >> (column.number % 8)) & 1;
        if (column.fixed && fixedFound < fixedInRow) {
            ++fixedFound;
            const std::uint32_t start = countSize + column.fixedOffset;
            if (start + column.fixedSize > variableStart || start + column.fixedSize > rowSize - maskSize)
                return false;
            field.start = rowStart + start;
            field.size = column.fixedSize;
        } else if (!column.fixed && column.variableIndex < variableCount) {
            field.start = rowStart + offsets[column.variableIndex];
            field.size = offsets[column.variableIndex + 1] - offsets[column.variableIndex];
        } else {
            field = {};
        }
    }
    return true;
}

} // namespace velkaro::reader
