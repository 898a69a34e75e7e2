#pragma once
// A growable array of plain values for the result list's large tables (text,
// row starts, display order). Storage comes from LargeMemory: mappings that
// grow with mremap (moving page mappings instead of copying bytes), start on
// huge pages when large, and are kept for the next run when given back.
// Values are not initialised by resize().
//
// A buffer that holds passwords (the default) zeroes what was written before
// its memory is given back or reused by clear(). One that never holds a
// password (row starts, display order) is built with Holds::NoSecrets and
// skips that work.

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/LargeMemory.h"
#include "platform/SecretMemory.h"

namespace quorlix
{

enum class Holds { Secrets, NoSecrets };

template <class T> class PodBuffer
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodBuffer() = default;
    explicit PodBuffer(Holds holds) : m_secret(holds == Holds::Secrets) {}
    ~PodBuffer() { release(); }
    PodBuffer(const PodBuffer& other) : m_secret(other.m_secret) { append(other.data(), other.size()); }
    PodBuffer& operator=(const PodBuffer& other)
    {
        if (this != &other) {
            clear();
            append(other.data(), other.size());
        }
        return *this;
    }
    PodBuffer(PodBuffer&& other) noexcept { swap(other); }
    PodBuffer& operator=(PodBuffer&& other) noexcept
    {
        if (this != &other) {
            release();
            swap(other);
        }
        return *this;
    }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }

    void push_back(T value)
    {
        if (m_size == m_capacity)
            grow(m_size + 1);
        m_data[m_size++] = value;
        if (m_size > m_written)
            m_written = m_size;
    }
    void append(const T* values, std::size_t n)
    {
        if (m_size + n > m_capacity)
            grow(m_size + n);
        if (n)
            std::memcpy(m_data + m_size, values, n * sizeof(T));
        m_size += n;
        if (m_size > m_written)
            m_written = m_size;
    }
    void resize(std::size_t n)
    {
        if (n > m_capacity)
            reserve(n);
        m_size = n;
        if (m_size > m_written)
            m_written = m_size;
    }
    void reserve(std::size_t n)
    {
        if (n > m_capacity)
            remap(n);
    }
    // Keeps the memory for reuse, zeroed as far as it was written.
    void clear()
    {
        if (m_secret)
            wipeSecret(m_data, m_written * sizeof(T));
        m_size = 0;
        m_written = 0;
    }
    // Gives all memory back, zeroed first.
    void release()
    {
        if (m_data) {
            const std::size_t bytes = m_mapping.bytes;
            if (m_secret) {
                wipeSecret(m_data, m_written * sizeof(T));
                notifyRelease(m_data, bytes);
            }
            giveBackMapping(m_mapping);
        }
        m_mapping = {};
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
        m_written = 0;
    }

private:
    static constexpr std::size_t kLargeStep = std::size_t{2} << 20;

    void grow(std::size_t need)
    {
        // Doubling, in whole huge pages once large: few remaps, few faults.
        std::size_t cap = m_capacity < 16384 / sizeof(T) ? 16384 / sizeof(T) : m_capacity * 2;
        while (cap < need)
            cap *= 2;
        if (cap * sizeof(T) >= kLargeStep)
            cap = (cap * sizeof(T) + kLargeStep - 1) / kLargeStep * kLargeStep / sizeof(T);
        remap(cap);
    }
    void remap(std::size_t n)
    {
        m_mapping = m_data ? growMapping(m_mapping, n * sizeof(T)) : takeMapping(n * sizeof(T));
        m_data = static_cast<T*>(m_mapping.data);
        m_capacity = m_mapping.bytes / sizeof(T);
    }
    void swap(PodBuffer& other) noexcept
    {
        std::swap(m_mapping, other.m_mapping);
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_written, other.m_written);
        std::swap(m_secret, other.m_secret);
    }

    Mapping m_mapping;
    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_written = 0; // values written since the last wipe
    bool m_secret = true;
};

} // namespace quorlix
