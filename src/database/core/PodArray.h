#pragma once

#include "database/core/DatabaseError.h"
#include "database/core/ArrayMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace velkaro::database {

// A growable array of trivially copyable values kept in one block. A large block grows by remapping its
// pages, never by copying them, so building a big column never holds the old and the new block at once.
template <typename T> class PodArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodArray() = default;
    ~PodArray() { freeArrayBlock(m_data, m_capacity * sizeof(T)); }
    PodArray(const PodArray &) = delete;
    PodArray &operator=(const PodArray &) = delete;
    PodArray(PodArray &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
        , m_size(std::exchange(other.m_size, 0))
        , m_capacity(std::exchange(other.m_capacity, 0))
        , m_prefaulted(std::exchange(other.m_prefaulted, 0))
    { }
    PodArray &operator=(PodArray &&other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_prefaulted, other.m_prefaulted);
        return *this;
    }

    const T *data() const { return m_data; }
    T *data() { return m_data; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const T &operator[](std::size_t i) const { return m_data[i]; }
    T &operator[](std::size_t i) { return m_data[i]; }
    const T *begin() const { return m_data; }
    const T *end() const { return m_data + m_size; }

    // Reads one value on each page of the array: the first read of a page after it was written can cost far
    // more than later ones (on some virtual machines a hundredfold), and a caller may pay that ahead of time.
    void touchPages() const
    {
        // Volatile: the reads are the point, their values are not.
        const auto *bytes = reinterpret_cast<const volatile std::uint8_t *>(m_data);
        for (std::size_t at = 0; at < m_size * sizeof(T); at += kTouchStride)
            (void)bytes[at];
    }

    void push_back(T value)
    {
        if (m_size == m_capacity)
            reserve(m_size + 1);
        if (m_size >= m_prefaulted)
            prefaultAhead(m_size + 1);
        m_data[m_size++] = value;
    }

    void append(const T *values, std::size_t count)
    {
        T *at = room(count);
        if (count != 0)
            std::memcpy(at, values, count * sizeof(T));
        m_size += count;
    }

    // Room for `count` more values after the last, to be written in place and then kept with added(); valid
    // until the array changes otherwise.
    T *room(std::size_t count)
    {
        if (m_size + count > m_capacity)
            reserve(m_size + count);
        if (m_size + count > m_prefaulted)
            prefaultAhead(m_size + count);
        return m_data + m_size;
    }
    // Keeps the first `count` values written into the room.
    void added(std::size_t count) { m_size += count; }

    // Makes room for at least `count` values, growing by half again to keep appends amortised.
    void reserve(std::size_t count)
    {
        if (count <= m_capacity)
            return;
        const std::size_t grown = m_capacity + m_capacity / 2 + 16;
        reallocate(count > grown ? count : grown);
    }

    void resize(std::size_t count, T value)
    {
        reserve(count);
        for (std::size_t i = m_size; i < count; ++i)
            m_data[i] = value;
        m_size = count;
    }

    void shrinkToFit()
    {
        if (m_capacity > m_size)
            reallocate(m_size);
    }

private:
    static constexpr std::size_t kTouchStride = 4096;

    // Filling a large array touches fresh pages one after another; mapping them a stretch at a time spares
    // a page fault for each, which costs far more than the mapping itself on some virtual machines.
    static constexpr std::size_t kPrefaultStretch = (std::size_t {1} << 20) / sizeof(T);

    void prefaultAhead(std::size_t count)
    {
        const std::size_t target = std::min(count + kPrefaultStretch, m_capacity);
        if (m_capacity >= kPrefaultStretch)
            prefaultForWriting(m_data + m_prefaulted, m_data + target);
        m_prefaulted = target;
    }

    void reallocate(std::size_t capacity)
    {
        if (capacity == 0) {
            freeArrayBlock(m_data, m_capacity * sizeof(T));
            m_data = nullptr;
            m_capacity = 0;
            m_prefaulted = 0;
            return;
        }
        void *grown = resizeArrayBlock(m_data, m_capacity * sizeof(T), capacity * sizeof(T));
        if (!grown)
            throw DatabaseError("out of memory while storing a table");
        // A block copied elsewhere has only its values' pages mapped.
        if (grown != m_data)
            m_prefaulted = m_size;
        m_data = static_cast<T *>(grown);
        m_capacity = capacity;
        m_prefaulted = std::min(m_prefaulted, capacity);
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    // From here on the pages may not be mapped yet.
    std::size_t m_prefaulted = 0;
};

} // namespace velkaro::database
