#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace velkaro::reader {

// A row's place on its page: its slot, the slot's entry (the row's offset with its flags) and the row's bytes.
struct Slot
{
    unsigned row = 0;
    std::uint32_t entry = 0;
    std::uint32_t start = 0;
    std::uint32_t size = 0;
};

// A page's number and one of its rows, as a definition or a memo points at a row: the row in the low byte, the
// page above it.
struct RowPointer
{
    std::uint32_t page = 0;
    unsigned row = 0;

    static RowPointer of(std::uint32_t word) { return {word >> 8, word & 0xFF}; }
};

// The number of slots of a data page: a u16 at 8 (Jet 3) or 12 (later formats), followed by the slots' u16
// entries; none when the entries do not fit the page.
std::optional<unsigned> slotCount(std::span<const unsigned char> page, bool jet3);

// Slot `row` (below slotCount) of a data page: a row runs from its entry's offset (the low 13 bits) to the
// previous row's, the first to the page's end. None when it lies outside the page or over the slot entries.
std::optional<Slot> slotOf(std::span<const unsigned char> page, unsigned row, bool jet3);

} // namespace velkaro::reader
