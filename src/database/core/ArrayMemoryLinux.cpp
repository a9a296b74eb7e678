#include "database/core/ArrayMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace velkaro::database {

namespace {

constexpr std::size_t kMappedFrom = std::size_t {1} << 20;
// Large blocks start on a huge page boundary and span whole huge pages: moved to such a place, their huge
// pages stay whole instead of being split into small ones, whose first reads are slow on some virtual machines.
constexpr std::size_t kHugePage = std::size_t {2} << 20;

std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

bool isMapped(std::size_t bytes)
{
    return bytes >= kMappedFrom;
}

// `bytes` of address space starting on a huge page boundary, not yet usable; MAP_FAILED when there is none.
char *alignedSpace(std::size_t bytes)
{
    const std::size_t length = bytes + kHugePage;
    void *space = mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (space == MAP_FAILED)
        return static_cast<char *>(MAP_FAILED);
    const auto start = reinterpret_cast<std::uintptr_t>(space);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(space, aligned - start);
    const std::uintptr_t end = start + length;
    if (end > aligned + bytes)
        munmap(reinterpret_cast<void *>(aligned + bytes), end - aligned - bytes);
    return reinterpret_cast<char *>(aligned);
}

// Moves [from, from + length) to `to`; a block grown with spare pages spans several mappings, which move one
// huge page at a time. False, the block where it was, when that fails.
bool moveBlock(char *from, std::size_t length, char *to)
{
    if (mremap(from, length, length, MREMAP_MAYMOVE | MREMAP_FIXED, to) != MAP_FAILED)
        return true;
    std::size_t moved = 0;
    while (moved < length
        && mremap(from + moved, kHugePage, kHugePage, MREMAP_MAYMOVE | MREMAP_FIXED, to + moved) != MAP_FAILED)
        moved += kHugePage;
    if (moved == length)
        return true;
    for (std::size_t back = 0; back < moved; back += kHugePage)
        mremap(to + back, kHugePage, kHugePage, MREMAP_MAYMOVE | MREMAP_FIXED, from + back);
    return false;
}

// The pages of freed blocks, moved into blocks that grow instead of pages the system would hand out afresh
// and clear first, which costs more than reading them full on some virtual machines.
struct SparePages
{
    std::mutex mutex;
    std::vector<std::pair<char *, std::size_t>> blocks;
    std::size_t kept = 0; // bytes in `blocks`
    std::size_t allowed = 0; // what the leases allow together
    // Pages kept while no table is read go back then, unless a read takes them first.
    std::optional<std::chrono::steady_clock::time_point> giveBackAt;
    std::condition_variable giveBackMoved;
    bool giverStarted = false;
};

// How long pages freed while no table is read wait for a read to take them: a table or result let go is mostly
// followed at once by the read of another file, whose fresh pages would cost more than reading them full.
constexpr std::chrono::milliseconds kIdleBeforeGiveBack {1000};

SparePages &spare()
{
    // Never destroyed: tables kept in other statics free their blocks at exit, after this would be gone.
    static auto *pages = new SparePages;
    return *pages;
}

// Gives back the kept pages beyond `allowed`, the last kept first, in whole huge pages; the lock is held.
void giveBackBeyond(SparePages &pages, std::size_t allowed)
{
    while (pages.kept > allowed) {
        auto &[start, length] = pages.blocks.back();
        const std::size_t cut = std::min(length, (pages.kept - allowed + kHugePage - 1) / kHugePage * kHugePage);
        munmap(start + length - cut, cut);
        length -= cut;
        pages.kept -= cut;
        if (length == 0)
            pages.blocks.pop_back();
    }
    if (pages.blocks.empty())
        pages.blocks.shrink_to_fit();
}

// Waits, for as long as the process lives, for the moments at which kept pages go back.
[[noreturn]] void giveBackOnTime(SparePages &pages)
{
    std::unique_lock lock(pages.mutex);
    for (;;) {
        if (!pages.giveBackAt)
            pages.giveBackMoved.wait(lock);
        else if (std::chrono::steady_clock::now() < *pages.giveBackAt)
            pages.giveBackMoved.wait_until(lock, *pages.giveBackAt);
        else {
            pages.giveBackAt.reset();
            giveBackBeyond(pages, pages.allowed);
        }
    }
}

// Pages kept while no table is read go back unless a read starts soon; the lock is held.
void giveBackWhenIdle(SparePages &pages)
{
    pages.giveBackAt = std::chrono::steady_clock::now() + kIdleBeforeGiveBack;
    if (!pages.giverStarted) {
        try {
            std::thread(giveBackOnTime, std::ref(pages)).detach();
            pages.giverStarted = true;
        } catch (const std::system_error &) {
            // No thread to wait with: nothing is kept.
            pages.giveBackAt.reset();
            giveBackBeyond(pages, pages.allowed);
            return;
        }
    }
    pages.giveBackMoved.notify_one();
}

// Moves spare pages to [at, at + bytes), replacing what is there, as far as there are; how many bytes it moved.
std::size_t placeSparePages(char *at, std::size_t bytes)
{
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    std::size_t placed = 0;
    while (placed < bytes && !pages.blocks.empty()) {
        auto &[start, length] = pages.blocks.back();
        const std::size_t taken = std::min(length, bytes - placed);
        if (!moveBlock(start, taken, at + placed))
            break;
        start += taken;
        length -= taken;
        if (length == 0)
            pages.blocks.pop_back();
        pages.kept -= taken;
        placed += taken;
    }
    return placed;
}

bool haveSparePages()
{
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    return !pages.blocks.empty();
}

// A block of `length` bytes holding the first bytes of the block `from` of `fromLength` bytes (moved, not copied)
// as far as they fit, then spare pages and fresh ones; what does not fit is given back. Null, `from` unchanged,
// when out of memory.
void *placedBlock(char *from, std::size_t fromLength, std::size_t length)
{
    const std::size_t kept = std::min(fromLength, length);
    char *space = alignedSpace(length);
    if (space == MAP_FAILED)
        return nullptr;
    // Made usable first: only this can fail for want of memory, before anything has moved.
    if (mprotect(space + kept, length - kept, PROT_READ | PROT_WRITE) != 0) {
        munmap(space, length);
        return nullptr;
    }
    // Huge pages where the system offers them: a search walks hundreds of megabytes of columns.
    madvise(space + kept, length - kept, MADV_HUGEPAGE);
    placeSparePages(space + kept, length - kept);
    if (kept > 0 && !moveBlock(from, kept, space)) {
        munmap(space, length);
        return nullptr;
    }
    if (fromLength > kept)
        munmap(from + kept, fromLength - kept);
    return space;
}

} // namespace

void *resizeArrayBlock(void *block, std::size_t oldBytes, std::size_t newBytes)
{
    const bool wasMapped = block && isMapped(oldBytes);
    if (wasMapped && isMapped(newBytes)) {
        const std::size_t oldLength = mappedLength(oldBytes);
        const std::size_t newLength = mappedLength(newBytes);
        // Smaller in place; larger in place only when no spare pages wait to be used.
        if (newLength <= oldLength || !haveSparePages()) {
            void *resized = mremap(block, oldLength, newLength, 0);
            if (resized != MAP_FAILED)
                return resized;
        }
        return placedBlock(static_cast<char *>(block), oldLength, newLength);
    }
    if (!wasMapped && !isMapped(newBytes))
        return std::realloc(block, newBytes);
    void *fresh = isMapped(newBytes) ? placedBlock(nullptr, 0, mappedLength(newBytes)) : std::malloc(newBytes);
    if (!fresh)
        return nullptr;
    if (block)
        std::memcpy(fresh, block, std::min(oldBytes, newBytes));
    freeArrayBlock(block, oldBytes);
    return fresh;
}

void freeArrayBlock(void *block, std::size_t bytes)
{
    if (!block || !isMapped(bytes)) {
        std::free(block);
        return;
    }
    const std::size_t length = mappedLength(bytes);
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    const bool reading = pages.allowed > 0;
    if (!reading || pages.kept + length <= pages.allowed) {
        try {
            pages.blocks.emplace_back(static_cast<char *>(block), length);
            pages.kept += length;
            if (!reading)
                giveBackWhenIdle(pages);
            return;
        } catch (const std::bad_alloc &) {
            // Given back below.
        }
    }
    munmap(block, length);
}

SparePagesForRead::SparePagesForRead(std::size_t bytes)
    : m_bytes(bytes)
{
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    pages.allowed += m_bytes;
    // The read takes what it can use; the rest goes back now.
    pages.giveBackAt.reset();
    giveBackBeyond(pages, pages.allowed);
}

SparePagesForRead::~SparePagesForRead()
{
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    pages.allowed -= m_bytes;
    giveBackBeyond(pages, pages.allowed);
}

void releaseSparePages()
{
    SparePages &pages = spare();
    const std::lock_guard lock(pages.mutex);
    pages.giveBackAt.reset();
    giveBackBeyond(pages, 0);
}

void prefaultForWriting(void *begin, void *end)
{
#ifdef MADV_POPULATE_WRITE
    static const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    // Whole pages inside the range; a kernel older than 5.14 refuses the advice and the pages fault as usual.
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(pageSize - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)end;
#endif
}

} // namespace velkaro::database
