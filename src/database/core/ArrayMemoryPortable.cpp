#include "database/core/ArrayMemory.h"

#include <cstdlib>

// Where the system offers no remapping: the allocator's blocks, copied as they grow, and no spare pages.

namespace velkaro::database {

void *resizeArrayBlock(void *block, std::size_t, std::size_t newBytes)
{
    return std::realloc(block, newBytes);
}

void freeArrayBlock(void *block, std::size_t)
{
    std::free(block);
}

SparePagesForRead::SparePagesForRead(std::size_t bytes)
    : m_bytes(bytes)
{ }

SparePagesForRead::~SparePagesForRead() = default;

void releaseSparePages()
{ }

void prefaultForWriting(void *, void *)
{ }

} // namespace velkaro::database
