#include "database/core/ArrayMemory.h"

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace velkaro::database {

#ifdef __linux__

namespace {

constexpr std::size_t kMappedFrom = std::size_t {1} << 20;

std::size_t pageSize()
{
    static const auto size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + pageSize() - 1) & ~(pageSize() - 1);
}

bool isMapped(std::size_t bytes)
{
    return bytes >= kMappedFrom;
}

// A block moved to an address that is not a huge page boundary has its huge pages split into small ones,
// whose first reads are slow on some virtual machines.
constexpr std::size_t kHugePage = std::size_t {2} << 20;

// `bytes` of address space starting on a huge page boundary, not yet backed; MAP_FAILED when there is none.
void *alignedSpace(std::size_t bytes)
{
    const std::size_t length = bytes + kHugePage;
    void *space = mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (space == MAP_FAILED)
        return MAP_FAILED;
    const auto start = reinterpret_cast<std::uintptr_t>(space);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(space, aligned - start);
    const std::uintptr_t end = start + length;
    if (end > aligned + bytes)
        munmap(reinterpret_cast<void *>(aligned + bytes), end - aligned - bytes);
    return reinterpret_cast<void *>(aligned);
}

} // namespace

void *resizeArrayBlock(void *block, std::size_t oldBytes, std::size_t newBytes)
{
    const bool wasMapped = block && isMapped(oldBytes);
    if (wasMapped && isMapped(newBytes)) {
        // In place where the address space after the block is free, else to a new place on a huge page boundary.
        void *grown = mremap(block, mappedLength(oldBytes), mappedLength(newBytes), 0);
        if (grown != MAP_FAILED)
            return grown;
        void *space = alignedSpace(mappedLength(newBytes));
        if (space == MAP_FAILED)
            return nullptr;
        void *moved = mremap(block, mappedLength(oldBytes), mappedLength(newBytes), MREMAP_MAYMOVE | MREMAP_FIXED, space);
        if (moved == MAP_FAILED) {
            munmap(space, mappedLength(newBytes));
            return nullptr;
        }
        return moved;
    }
    if (!wasMapped && !isMapped(newBytes))
        return std::realloc(block, newBytes);
    void *fresh = nullptr;
    if (isMapped(newBytes)) {
        fresh = alignedSpace(mappedLength(newBytes));
        if (fresh == MAP_FAILED)
            return nullptr;
        if (mprotect(fresh, mappedLength(newBytes), PROT_READ | PROT_WRITE) != 0) {
            munmap(fresh, mappedLength(newBytes));
            return nullptr;
        }
        // Huge pages where the system offers them: a search walks hundreds of megabytes of columns.
        madvise(fresh, mappedLength(newBytes), MADV_HUGEPAGE);
    } else if (!(fresh = std::malloc(newBytes))) {
        return nullptr;
    }
    if (block)
        std::memcpy(fresh, block, std::min(oldBytes, newBytes));
    freeArrayBlock(block, oldBytes);
    return fresh;
}

void freeArrayBlock(void *block, std::size_t bytes)
{
    if (block && isMapped(bytes))
        munmap(block, mappedLength(bytes));
    else
        std::free(block);
}

void prefaultForWriting(void *begin, void *end)
{
#ifdef MADV_POPULATE_WRITE
    // Whole pages inside the range; a kernel older than 5.14 refuses the advice and the pages fault as usual.
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + pageSize() - 1) & ~(pageSize() - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(pageSize() - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)end;
#endif
}

#else

void *resizeArrayBlock(void *block, std::size_t, std::size_t newBytes)
{
    return std::realloc(block, newBytes);
}

void freeArrayBlock(void *block, std::size_t)
{
    std::free(block);
}

void prefaultForWriting(void *, void *) { }

#endif

} // namespace velkaro::database
