#pragma once

#include "database/core/DatabaseError.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace velkaro::database {

// A growable array of trivially copyable values kept in one malloc'ed block. Growth goes through realloc,
// which moves large blocks by remapping pages instead of copying them, so building a big column never
// holds the old and the new block at once.
template <typename T> class PodArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodArray() = default;
    ~PodArray() { std::free(m_data); }
    PodArray(const PodArray &) = delete;
    PodArray &operator=(const PodArray &) = delete;
    PodArray(PodArray &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
        , m_size(std::exchange(other.m_size, 0))
        , m_capacity(std::exchange(other.m_capacity, 0))
    { }
    PodArray &operator=(PodArray &&other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
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

    void push_back(T value)
    {
        if (m_size == m_capacity)
            reserve(m_size + 1);
        m_data[m_size++] = value;
    }

    void append(const T *values, std::size_t count)
    {
        if (m_size + count > m_capacity)
            reserve(m_size + count);
        if (count != 0)
            std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
    }

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
    void reallocate(std::size_t capacity)
    {
        if (capacity == 0) {
            std::free(m_data);
            m_data = nullptr;
            m_capacity = 0;
            return;
        }
        void *grown = std::realloc(m_data, capacity * sizeof(T));
        if (!grown)
            throw DatabaseError("out of memory while storing a table");
        m_data = static_cast<T *>(grown);
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace velkaro::database
