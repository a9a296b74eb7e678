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

// What a row holds besides its fixed values: its column count and null mask, and where its variable values lie.
struct RowFrame
{
    const unsigned char *row = nullptr;
    const unsigned char *mask = nullptr;
    std::uint32_t countSize = 0;
    std::uint32_t columns = 0;
    std::uint32_t maskSize = 0;
    std::uint32_t variableCount = 0;
    std::uint32_t variableStart = 0;
    // Only the offsets the row holds are written and read: clearing the rest would cost more than the row.
    std::array<std::uint32_t, kMaxVariable + 1> offsets;

    // The fixed values the row holds: the first of the table's fixed columns, in their order.
    std::uint32_t fixedInRow() const { return columns >= variableCount ? columns - variableCount : 0; }
};

// False when the row's counts or offsets point outside it or its offsets go backwards; the variable values are
// looked at only where the table has a variable column.
bool frameRow(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize, bool jet3,
    bool anyVariable, RowFrame &frame)
{
    frame.countSize = jet3 ? 1 : 2;
    if (std::uint64_t(rowStart) + rowSize > page.size() || rowSize < frame.countSize)
        return false;
    const unsigned char *row = page.data() + rowStart;
    frame.row = row;
    frame.columns = jet3 ? row[0] : u16(row);
    frame.maskSize = (frame.columns + 7) / 8;
    if (frame.countSize + frame.maskSize > rowSize)
        return false;
    frame.mask = row + rowSize - frame.maskSize;
    frame.variableCount = 0;
    frame.variableStart = rowSize;
    if (!anyVariable)
        return true;
    if (frame.countSize + frame.maskSize + frame.countSize > rowSize)
        return false;
    const std::uint32_t count = jet3 ? row[rowSize - frame.maskSize - 1] : u16(row + rowSize - frame.maskSize - 2);
    if (count > kMaxVariable || !variableOffsets(row, rowSize, frame.maskSize, count, jet3, frame.offsets.data()))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (frame.offsets[i] > frame.offsets[i + 1])
            return false;
    }
    if (count > 0 && (frame.offsets[0] < frame.countSize || frame.offsets[count] > rowSize))
        return false;
    frame.variableCount = count;
    if (count > 0)
        frame.variableStart = frame.offsets[0];
    return true;
}

bool isPresent(const RowFrame &frame, std::uint16_t number)
{
    return number < frame.columns && (frame.mask[number / 8] >> (number % 8)) & 1;
}

void variableField(const RowFrame &frame, std::uint32_t rowStart, const ColumnLayout &column, RowField &field)
{
    field.start = rowStart + frame.offsets[column.variableIndex];
    field.size = frame.offsets[column.variableIndex + 1] - frame.offsets[column.variableIndex];
}

bool anyVariableColumn(std::span<const ColumnLayout> columns)
{
    return std::any_of(columns.begin(), columns.end(), [](const ColumnLayout &c) { return !c.fixed; });
}

} // namespace

bool crackRow(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize, bool jet3,
    std::span<const ColumnLayout> columns, RowField *fields)
{
    RowFrame frame;
    if (!frameRow(page, rowStart, rowSize, jet3, anyVariableColumn(columns), frame))
        return false;
    const std::uint32_t fixedInRow = frame.fixedInRow();
    std::uint32_t fixedFound = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnLayout &column = columns[i];
        RowField &field = fields[i];
        field.present = isPresent(frame, column.number);
        if (column.fixed && fixedFound < fixedInRow) {
            ++fixedFound;
            const std::uint32_t start = frame.countSize + column.fixedOffset;
            if (start + column.fixedSize > frame.variableStart || start + column.fixedSize > rowSize - frame.maskSize)
                return false;
            field.start = rowStart + start;
            field.size = column.fixedSize;
        } else if (!column.fixed && column.variableIndex < frame.variableCount) {
            variableField(frame, rowStart, column, field);
        } else {
            field = {};
        }
    }
    return true;
}

ChosenColumnsCracker::ChosenColumnsCracker(std::span<const ColumnLayout> columns, std::span<const std::size_t> chosen)
    : m_anyVariable(anyVariableColumn(columns))
{
    std::vector<std::uint32_t> fixedOrdinals;
    m_fixedEnds.push_back(0);
    for (const ColumnLayout &column : columns) {
        fixedOrdinals.push_back(std::uint32_t(m_fixedEnds.size() - 1));
        if (column.fixed)
            m_fixedEnds.push_back(std::max(m_fixedEnds.back(), std::uint32_t(column.fixedOffset) + column.fixedSize));
    }
    for (const std::size_t index : chosen)
        m_chosen.push_back({columns[index], fixedOrdinals[index]});
}

bool ChosenColumnsCracker::crack(std::span<const unsigned char> page, std::uint32_t rowStart, std::uint32_t rowSize,
    bool jet3, RowField *fields) const
{
    RowFrame frame;
    if (!frameRow(page, rowStart, rowSize, jet3, m_anyVariable, frame))
        return false;
    // The fixed values the row holds all lie before its variable ones and its null mask.
    const std::uint32_t fixedInRow = frame.fixedInRow();
    const std::uint32_t fixedPresent = std::min<std::uint32_t>(fixedInRow, std::uint32_t(m_fixedEnds.size() - 1));
    const std::uint32_t fixedEnd = frame.countSize + m_fixedEnds[fixedPresent];
    if (fixedPresent > 0 && (fixedEnd > frame.variableStart || fixedEnd > rowSize - frame.maskSize))
        return false;
    for (std::size_t i = 0; i < m_chosen.size(); ++i) {
        const ColumnLayout &column = m_chosen[i].layout;
        RowField &field = fields[i];
        field.present = isPresent(frame, column.number);
        if (column.fixed && m_chosen[i].fixedOrdinal < fixedInRow) {
            field.start = rowStart + frame.countSize + column.fixedOffset;
            field.size = column.fixedSize;
        } else if (!column.fixed && column.variableIndex < frame.variableCount) {
            variableField(frame, rowStart, column, field);
        } else {
            field = {};
        }
    }
    return true;
}

} // namespace velkaro::reader
