#include "database/reader/PageSlots.h"

namespace velkaro::reader {

namespace {

constexpr std::uint32_t kRowOffsetMask = 0x1FFF;

std::uint32_t slotsAt(bool jet3)
{
    return jet3 ? 8 : 12;
}

std::uint32_t readU16(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8;
}

} // namespace

std::optional<unsigned> slotCount(std::span<const unsigned char> page, bool jet3)
{
    const std::uint32_t at = slotsAt(jet3);
    if (page.size() < at + 2)
        return std::nullopt;
    const unsigned rows = readU16(page.data() + at);
    if (at + 2 + 2 * std::size_t(rows) > page.size())
        return std::nullopt;
    return rows;
}

std::optional<Slot> slotOf(std::span<const unsigned char> page, unsigned row, bool jet3)
{
    const std::uint32_t at = slotsAt(jet3);
    const std::uint32_t entry = readU16(page.data() + at + 2 + 2 * row);
    const std::uint32_t next =
        row == 0 ? std::uint32_t(page.size()) : readU16(page.data() + at + 2 * row) & kRowOffsetMask;
    const std::uint32_t start = entry & kRowOffsetMask;
    if (start >= page.size() || start >= next || next > page.size() || at + 2 + 2 * (row + 1) > start)
        return std::nullopt;
    return Slot {row, entry, start, next - start};
}

} // namespace velkaro::reader
