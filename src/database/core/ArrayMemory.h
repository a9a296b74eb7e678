#pragma once

#include <cstddef>

namespace velkaro::database {

// Memory for growing arrays. Large blocks are pages of their own that grow by remapping, never by copying:
// the allocator would copy every block below its own threshold (32 MB at most) on each growth, faulting in
// fresh pages for the copy and holding both copies at once. Small blocks come from the allocator.

// Resizes `block` of `oldBytes` (null for none) to `newBytes` (more than zero), keeping its contents up to
// the smaller size; null when out of memory, `block` then being unchanged.
void *resizeArrayBlock(void *block, std::size_t oldBytes, std::size_t newBytes);
// Large blocks freed keep their pages for the blocks that grow next, until releaseSparePages.
void freeArrayBlock(void *block, std::size_t bytes);

// Returns the pages kept from freed blocks to the system; after building a table, when what it needed is taken.
void releaseSparePages();

// Maps the pages of [begin, end) ahead of writing, in one call instead of a page fault per page (which some
// virtual machines make very costly); a hint that changes no contents and may do nothing.
void prefaultForWriting(void *begin, void *end);

} // namespace velkaro::database
