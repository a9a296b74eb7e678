#include "database/core/VectorPaths.h"

#include <atomic>

namespace velkaro::database {

namespace {

std::atomic<bool> &vectorPaths()
{
    static std::atomic<bool> allowed = true;
    return allowed;
}

} // namespace

bool vectorPathsAllowed()
{
    return vectorPaths().load(std::memory_order_relaxed);
}

void allowVectorPaths(bool allowed)
{
    vectorPaths().store(allowed, std::memory_order_relaxed);
}

} // namespace velkaro::database
