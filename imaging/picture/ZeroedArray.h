// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace velmora {

// Memory taken straight from the system: it comes zeroed without being
// written, and large blocks come in huge pages, so that a buffer the size of
// a picture costs a few dozen page faults instead of thousands, and no pass
// of zeroes. None (a null pointer) when the system has no memory to give.
void* TakeZeroedPages(std::size_t bytes);
void GiveBackPages(void* memory, std::size_t bytes) noexcept;

// Whether a block of `bytes` from TakeZeroedPages can keep only its first
// `kept` bytes (both laid out alike), and that shrinking: the pages past them
// go back to the system, and the block is then one of `kept` bytes.
bool CanShrinkPages(std::size_t bytes, std::size_t kept);
void ShrinkPages(void* memory, std::size_t bytes, std::size_t kept) noexcept;

// `count` zeroed values that are plain bytes (integers, structs of them), in
// pages of their own; std::bad_alloc when there is no memory for them.
template <typename T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>, "the values must be plain bytes, zero being a valid value");

public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t count) : count_(count)
    {
        if (count == 0)
            return;
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        data_ = static_cast<T*>(TakeZeroedPages(count * sizeof(T)));
        if (!data_)
            throw std::bad_alloc();
    }
    ~ZeroedArray()
    {
        if (data_)
            GiveBackPages(data_, count_ * sizeof(T));
    }
    ZeroedArray(ZeroedArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0))
    {
    }
    ZeroedArray& operator=(ZeroedArray&& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(count_, other.count_);
        return *this;
    }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return count_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    T* data_ = nullptr;
    std::size_t count_ = 0;
};

} // namespace velmora
