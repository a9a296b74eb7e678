#pragma once

#include <cstddef>

namespace velkaro::database {

// Memory for growing arrays. Large blocks are pages of their own that grow by remapping, never by copying:
// the allocator would copy every block below its own threshold (32 MB at most) on each growth, faulting in
// fresh pages for the copy and holding both copies at once. Small blocks come from the allocator.

// Resizes `block` of `oldBytes` (null for none) to `newBytes` (more than zero), keeping its contents up to
// the smaller size; null when out of memory, `block` then being unchanged.
void *resizeArrayBlock(void *block, std::size_t oldBytes, std::size_t newBytes);
// A large block freed while a SparePagesForRead lives keeps its pages for the blocks that grow next, as far as
// the leases allow; one freed while no table is read keeps them for a second, for a read that may follow, and then
// gives them back to the system.
void freeArrayBlock(void *block, std::size_t bytes);

// While a table is read, the pages of large blocks freed (those of the table it replaces) are kept for the blocks
// the read grows, `bytes` in all at most for each lease: about what the read can use. Pages kept beyond that when a
// lease begins go back to the system, and so do the pages kept when the last lease ends.
class SparePagesForRead
{
public:
    explicit SparePagesForRead(std::size_t bytes);
    ~SparePagesForRead();
    SparePagesForRead(const SparePagesForRead &) = delete;
    SparePagesForRead &operator=(const SparePagesForRead &) = delete;

private:
    std::size_t m_bytes;
};

// Returns the pages kept from freed blocks to the system.
void releaseSparePages();

// Maps the pages of [begin, end) ahead of writing, in one call instead of a page fault per page (which some
// virtual machines make very costly); a hint that changes no contents and may do nothing.
void prefaultForWriting(void *begin, void *end);

} // namespace velkaro::database
