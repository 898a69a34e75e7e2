#pragma once
// A growable array of plain values for the result list's large tables (text,
// row starts, display order). Storage comes from mmap and grows with mremap,
// so growing a table of hundreds of megabytes moves page mappings instead of
// copying bytes, and large tables ask for huge pages to cut page faults.
// Values are not initialised by resize().
//
// The bytes may be passwords: the mapping stays out of core dumps and forked
// children, and what was written is zeroed before the memory is unmapped or
// reused by clear().

#include <cstddef>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

#include "platform/SecretMemory.h"

namespace quorlix
{

template <class T> class PodBuffer
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodBuffer() = default;
    ~PodBuffer() { release(); }
    PodBuffer(const PodBuffer& other) { append(other.data(), other.size()); }
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
        wipeSecret(m_data, m_written * sizeof(T));
        m_size = 0;
        m_written = 0;
    }
    // Gives all memory back, zeroed first.
    void release()
    {
        if (m_data) {
            wipeSecret(m_data, m_written * sizeof(T));
            notifyRelease(m_data, bytesFor(m_capacity));
            ::munmap(m_data, bytesFor(m_capacity));
        }
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
        m_written = 0;
    }

private:
    static constexpr std::size_t kPage = 4096;
    static constexpr std::size_t kHugeFrom = std::size_t{4} << 20;

    static std::size_t bytesFor(std::size_t n) { return (n * sizeof(T) + kPage - 1) / kPage * kPage; }

    void grow(std::size_t need)
    {
        std::size_t cap = m_capacity < 16384 / sizeof(T) ? 16384 / sizeof(T) : m_capacity;
        while (cap < need)
            cap += cap / 2 + 1;
        remap(cap);
    }
    void remap(std::size_t n)
    {
        const std::size_t bytes = bytesFor(n);
        void* p = m_data ? ::mremap(m_data, bytesFor(m_capacity), bytes, MREMAP_MAYMOVE)
                         : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        adviseSecret(p, bytes); // mremap keeps the advice; a new mapping needs it
        if (bytes >= kHugeFrom)
            ::madvise(p, bytes, MADV_HUGEPAGE);
        m_data = static_cast<T*>(p);
        m_capacity = bytes / sizeof(T);
    }
    void swap(PodBuffer& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_written, other.m_written);
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_written = 0; // values written since the last wipe
};

} // namespace quorlix
