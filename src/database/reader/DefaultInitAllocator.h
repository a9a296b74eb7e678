#pragma once

#include <memory>
#include <new>
#include <utility>

namespace velkaro::reader {

// std::allocator whose default construction leaves the bytes as they are, so that vector::resize does not zero
// room that is written right after.
template <typename T> struct DefaultInitAllocator : std::allocator<T>
{
    template <typename U> struct rebind
    {
        using other = DefaultInitAllocator<U>;
    };

    template <typename U> void construct(U *at) noexcept { ::new (static_cast<void *>(at)) U; }
    template <typename U, typename... Args> void construct(U *at, Args &&...args)
    {
        ::new (static_cast<void *>(at)) U(std::forward<Args>(args)...);
    }
};

} // namespace velkaro::reader
